#pragma once

#include "core/clock.h"
#include "core/posix_file.h"
#include "delivery/address_list.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// A file attached to a message, sent as application/octet-stream in base64.
struct MailAttachment {
    // The regular file at path, opened without following a link when the message is written.
    explicit MailAttachment(std::string path);
    // An open file, read through its descriptor from its start; the caller keeps it open while the message is
    // written.
    explicit MailAttachment(std::shared_ptr<const OpenedFile> openedFile);

    std::string storedPathName;             // full path of the file, as given or as opened
    std::string fileName;                   // last component of storedPathName, shown in the message
    std::shared_ptr<const OpenedFile> file; // empty: storedPathName is opened when the message is written
};

// The message that the e-mail step composes: a text/plain message, or with attachments a multipart/mixed one
// whose body becomes the first (text/plain) part.
struct MailMessage {
    EmailAddress from;
    EmailAddressList recipients; // the To list
    EmailAddressList ccList;
    EmailAddressList bccList; // envelope only, never a header
    std::string subject;
    std::vector<std::string> body;
    std::optional<LocalTime> date; // unset: the time of sending
    std::vector<MailAttachment> attachments;
    std::string boundary;  // empty: MimeBoundary()
    std::string messageId; // "<...@...>"; empty: makeMessageId(from.address) for each writing

    void clear() { *this = MailMessage(); }
};

// The process-wide boundary: 34 letters and digits with "=_" once, made on first use from a clock seed.
const std::string& mimeBoundary();

// A boundary drawn from a generator seeded with seed.
std::string makeMimeBoundary(unsigned seed);

// A new Message-ID: "<" 32 random hexadecimal digits "@" the domain of fromAddress (tervolen.invalid when it has
// none or one with other characters than letters, digits, "." and "-") ">".
std::string makeMessageId(const std::string& fromAddress);

// Where a message is written: lines end with CR LF; body lines are dot-stuffed.
class MessageWriter {
public:
    virtual ~MessageWriter() = default;
    virtual void writeRaw(std::string_view text) = 0;
    void writeLine(std::string_view line);
    // A line beginning with "." gets one more in front.
    void writeLineDotStuffed(std::string_view line);
};

// The header lines in order (From, Subject, To, Cc, Content-Type, MIME-Version, Date, Message-ID), folded at 78
// columns.
// Throws Error when a header would hold a line break.
std::vector<std::string> buildHeaderLines(const MailMessage& message, const Clock& clock);

// Writes the header lines, the blank line and the body. Attachments are streamed from their files.
// Throws Error "Cannot open file \"%s\". %s" when an attachment cannot be opened (also when its name is a link or
// not a regular file), and "Cannot read file" likewise.
void writeMessage(const MailMessage& message, MessageWriter& writer, const Clock& clock);

} // namespace tervolen
