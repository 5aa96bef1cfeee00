#include "delivery/mime_message.h"

#include "core/errors.h"
#include "delivery/base64.h"
#include "delivery/header_text.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace tervolen {

namespace {

// Whole 57-byte base64 line inputs, so only the file's last block gives a short line.
constexpr std::size_t kReadBlock = 57 * 1024;
constexpr const char* kAttachmentIndent = "        ";

char boundaryCharacter(int v) {
    if (v <= 10)
        return static_cast<char>('0' + v - 1);
    if (v <= 36)
        return static_cast<char>('A' + v - 11);
    return static_cast<char>('a' + v - 37);
}

// The part after "@" when it is a plain domain name; one that could break the header gives way to a fixed name.
std::string messageIdDomain(const std::string& address) {
    const std::size_t at = address.rfind('@');
    const std::string domain = at == std::string::npos ? "" : address.substr(at + 1);
    const bool plain = !domain.empty() && std::all_of(domain.begin(), domain.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
    });
    return plain ? domain : "tervolen.invalid";
}

const std::string& boundaryOf(const MailMessage& message) {
    return message.boundary.empty() ? mimeBoundary() : message.boundary;
}

std::string headerText(const std::string& text) {
    return isPrintableAscii(text) ? text : encodeWords(text);
}

std::string contentType(const MailMessage& message) {
    if (message.attachments.empty())
        return "text/plain";
    return "multipart/mixed; boundary=\"" + boundaryOf(message) + "\"";
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool hasHighByte(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        for (char c : line)
            if (static_cast<unsigned char>(c) >= 128)
                return true;
    return false;
}

// Body lines go out dot-stuffed; a line break inside a line starts a new line, so that no line of the text
// can end the data early.
void writeBodyLines(const std::vector<std::string>& body, MessageWriter& writer) {
    for (std::string_view line : body) {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            if (i < line.size() && line[i] != '\r' && line[i] != '\n')
                continue;
            writer.writeLineDotStuffed(line.substr(start, i - start));
            if (i + 1 < line.size() && line[i] == '\r' && line[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
}

std::string quotedParameter(const std::string& value) {
    if (hasLineBreak(value))
        throw Error("The attachment name \"" + value + "\" holds a line break.");
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

void writeBase64File(const OpenedFile& file, MessageWriter& writer) {
    std::vector<char> block(kReadBlock);
    std::string lines;
    std::uint64_t offset = 0;
    while (std::size_t n = readAt(file, block.data(), block.size(), offset)) {
        lines.clear();
        appendBase64Lines(reinterpret_cast<const unsigned char*>(block.data()), n, lines);
        writer.writeRaw(lines);
        offset += n;
    }
}

void writeAttachmentFile(const MailAttachment& attachment, MessageWriter& writer) {
    if (attachment.file)
        writeBase64File(*attachment.file, writer);
    else
        writeBase64File(openRegularFile(attachment.storedPathName), writer);
}

void writeAttachment(const MailAttachment& attachment, const std::string& boundary, MessageWriter& writer) {
    std::string name = quotedParameter(attachment.fileName);
    writer.writeLine("--" + boundary);
    writer.writeLine("Content-Type: application/octet-stream;");
    writer.writeLine(kAttachmentIndent + ("name=" + name));
    writer.writeLine("Content-Transfer-Encoding: base64");
    writer.writeLine("Content-Disposition: attachment;");
    writer.writeLine(kAttachmentIndent + ("filename=" + name));
    writer.writeLine("");
    writeAttachmentFile(attachment, writer);
    writer.writeLine("");
}

void writeMultipartBody(const MailMessage& message, MessageWriter& writer) {
    const std::string& boundary = boundaryOf(message);
    writer.writeLine("This is a multi-part message in MIME format");
    writer.writeLine("");
    writer.writeLine("--" + boundary);
    writer.writeLine("Content-Type: text/plain");
    writer.writeLine(std::string("Content-Transfer-Encoding: ") + (hasHighByte(message.body) ? "8bit" : "7bit"));
    writer.writeLine("");
    writeBodyLines(message.body, writer);
    writer.writeLine("");
    for (const MailAttachment& attachment : message.attachments)
        writeAttachment(attachment, boundary, writer);
    writer.writeLine("--" + boundary + "--");
    writer.writeLine("");
}

} // namespace

MailAttachment::MailAttachment(std::string path)
    : storedPathName(std::move(path)), fileName(std::filesystem::path(storedPathName).filename().string()) {}

MailAttachment::MailAttachment(std::shared_ptr<const OpenedFile> openedFile)
    : MailAttachment(openedFile->path) {
    file = std::move(openedFile);
}

std::string makeMimeBoundary(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::string boundary(34, '0');
    for (char& c : boundary)
        c = boundaryCharacter(static_cast<int>(uniform(random) * 61 + 1.5));
    auto position = static_cast<std::size_t>(32 * uniform(random) + 1.5);
    boundary[position - 1] = '=';
    boundary[position] = '_';
    return boundary;
}

const std::string& mimeBoundary() {
    static const std::string boundary =
        makeMimeBoundary(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    return boundary;
}

void MessageWriter::writeLine(std::string_view line) {
    writeRaw(line);
    writeRaw("\r\n");
}

void MessageWriter::writeLineDotStuffed(std::string_view line) {
    if (!line.empty() && line.front() == '.')
        writeRaw(".");
    writeLine(line);
}

std::string makeMessageId(const std::string& fromAddress) {
    unsigned char random[16];
    if (RAND_bytes(random, sizeof random) != 1)
        throw Error("Cannot draw the random part of the Message-ID.");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id = "<";
    for (unsigned char byte : random) {
        id += kHex[byte >> 4];
        id += kHex[byte & 15];
    }
    return id + "@" + messageIdDomain(fromAddress) + ">";
}

std::vector<std::string> buildHeaderLines(const MailMessage& message, const Clock& clock) {
    const std::pair<const char*, std::string> fields[] = {
        {"From", formatAddressList({message.from}, true)},
        {"Subject", headerText(message.subject)},
        {"To", formatAddressList(message.recipients)},
        {"Cc", formatAddressList(message.ccList)},
        {"Content-Type", contentType(message)},
        {"MIME-Version", "1.0"},
        {"Date", formatDateValue(message.date ? *message.date : clock.now())},
        {"Message-ID", message.messageId.empty() ? makeMessageId(message.from.address) : message.messageId},
    };
    std::vector<std::string> lines;
    for (const auto& [name, value] : fields) {
        if (value.empty())
            continue;
        if (hasLineBreak(value))
            throw Error(std::string("The ") + name + " header holds a line break.");
        for (std::string& line : foldHeaderLine(name + (": " + value)))
            lines.push_back(std::move(line));
    }
    return lines;
}

void writeMessage(const MailMessage& message, MessageWriter& writer, const Clock& clock) {
    for (const std::string& line : buildHeaderLines(message, clock))
        writer.writeLine(line);
    writer.writeLine("");
    if (message.attachments.empty()) {
        writeBodyLines(message.body, writer);
        writer.writeLine("");
    } else {
        writeMultipartBody(message, writer);
    }
}

} // namespace tervolen
