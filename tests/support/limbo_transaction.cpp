// Leaves a transaction in limbo: attaches the databases through the client library, starts one transaction over
// all of them, writes into each (table LIMBO_ROW, column ID), prepares it (the first phase of the two-phase commit) and
// ends the process without commit, rollback or detach. The server keeps a prepared transaction until someone resolves
// it. Usage: limbo_transaction LIBRARY USER PASSWORD DATABASE...  (databases as "host/port:path") Prints the
// transaction's number in the first database and exits 0, or prints the failing call and exits 1.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <unistd.h>

namespace {

using IscStatus = std::intptr_t;
using Handle = std::conditional_t<sizeof(void*) == 8, unsigned int, void*>;
using StatusVector = IscStatus[20];

// The transaction existence block of isc_start_multiple.
struct TransactionBlock {
    Handle* database;
    long parameterLength;
    const char* parameters;
};

using AttachDatabase = IscStatus(IscStatus*, short, const char*, Handle*, short, const char*);
using StartMultiple = IscStatus(IscStatus*, Handle*, short, TransactionBlock*);
using ExecuteImmediate = IscStatus(IscStatus*, Handle*, Handle*, unsigned short, const char*, unsigned short,
                                   const void*);
using PrepareTransaction = IscStatus(IscStatus*, Handle*);
using TransactionInfo = IscStatus(IscStatus*, Handle*, short, const char*, short, char*);
using Interprete = std::intptr_t(char*, const IscStatus**);

constexpr char kDpbVersion1 = 1;
constexpr char kDpbUserName = 28;
constexpr char kDpbPassword = 29;
constexpr char kTpbVersion3 = 3;
constexpr char kTpbWrite = 9;
constexpr char kTpbConcurrency = 2;
constexpr char kTpbWait = 6;
constexpr char kInfoTraId = 4;
constexpr unsigned short kSqlDialect = 3;

void* library = nullptr;

template <class Function> Function* entry(const char* name) {
    auto function = reinterpret_cast<Function*>(::dlsym(library, name));
    if (function == nullptr) {
        std::printf("no %s in the client library\n", name);
        ::_exit(1);
    }
    return function;
}

void check(IscStatus result, const StatusVector& status, const char* call) {
    if (result == 0)
        return;
    std::printf("%s failed:", call);
    const IscStatus* cursor = status;
    char message[1024];
    while (entry<Interprete>("isc_interprete")(message, &cursor) > 0)
        std::printf(" %s.", message);
    std::printf("\n");
    ::_exit(1);
}

std::string attachParameters(const std::string& user, const std::string& password) {
    std::string dpb{kDpbVersion1};
    for (const auto& [tag, value] : {std::pair{kDpbUserName, &user}, std::pair{kDpbPassword, &password}}) {
        dpb += tag;
        dpb += static_cast<char>(value->size());
        dpb += *value;
    }
    return dpb;
}

} // namespace

int main(int argc, char** argv) {
    constexpr int kFirstDatabase = 4;
    constexpr int kMostDatabases = 8;
    const int count = argc - kFirstDatabase;
    if (count < 1 || count > kMostDatabases) {
        std::printf("usage: limbo_transaction LIBRARY USER PASSWORD DATABASE...\n");
        return 1;
    }
    library = ::dlopen(argv[1], RTLD_NOW);
    if (library == nullptr) {
        std::printf("%s\n", ::dlerror());
        return 1;
    }
    const std::string dpb = attachParameters(argv[2], argv[3]);
    StatusVector status{};
    Handle databases[kMostDatabases]{};
    TransactionBlock blocks[kMostDatabases]{};
    const char tpb[] = {kTpbVersion3, kTpbWrite, kTpbConcurrency, kTpbWait};
    for (int i = 0; i < count; ++i) {
        const std::string name = argv[kFirstDatabase + i];
        check(entry<AttachDatabase>("isc_attach_database")(status, static_cast<short>(name.size()), name.c_str(),
                                                           &databases[i], static_cast<short>(dpb.size()), dpb.data()),
              status, "isc_attach_database");
        blocks[i] = {&databases[i], sizeof tpb, tpb};
    }
    Handle transaction{};
    check(entry<StartMultiple>("isc_start_multiple")(status, &transaction, static_cast<short>(count), blocks), status,
          "isc_start_multiple");
    const std::string insert = "insert into limbo_row (id) values (1)";
    for (int i = 0; i < count; ++i)
        check(entry<ExecuteImmediate>("isc_dsql_execute_immediate")(status, &databases[i], &transaction,
                                                                    static_cast<unsigned short>(insert.size()),
                                                                    insert.c_str(), kSqlDialect, nullptr),
              status, "isc_dsql_execute_immediate");
    const char items[] = {kInfoTraId};
    char answer[32]{};
    check(entry<TransactionInfo>("isc_transaction_info")(status, &transaction, sizeof items, items, sizeof answer,
                                                         answer),
          status, "isc_transaction_info");
    check(entry<PrepareTransaction>("isc_prepare_transaction")(status, &transaction), status,
          "isc_prepare_transaction");
    // The answer: isc_info_tra_id, a 2-byte length, the number (little-endian).
    const unsigned length = static_cast<unsigned char>(answer[1]) | (static_cast<unsigned char>(answer[2]) << 8);
    std::uint64_t number = 0;
    for (unsigned i = 0; i < length && i < 8; ++i)
        number |= static_cast<std::uint64_t>(static_cast<unsigned char>(answer[3 + i])) << (8 * i);
    std::printf("%llu\n", static_cast<unsigned long long>(number));
    std::fflush(stdout);
    ::_exit(0);
}
