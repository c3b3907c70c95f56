// Databases a source can open but not change, and servers it cannot reach: each case either
// opens and shows the records read-only, refusing every write with a message that says why and
// changing nothing, or fails to open with a clear message within a few seconds.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "PgStorage.h"
#include "binding/SqliteSource.h"

namespace {

namespace fs = std::filesystem;

// Root may write any file: as root the case opens its database as the "nobody" account, so that
// the file's permissions count as they do for a user.
class TUnprivileged {
public:
    TUnprivileged()
    {
        if (geteuid() == 0 && seteuid(65534) != 0) throw std::runtime_error("cannot act as nobody");
    }
    ~TUnprivileged()
    {
        if (getuid() == 0) (void)seteuid(0);
    }
    TUnprivileged(const TUnprivileged&) = delete;
    TUnprivileged& operator=(const TUnprivileged&) = delete;
};

void RunSqlite(const std::string& File, const std::string& Sql)
{
    sqlite3* db = nullptr;
    int code = sqlite3_open(File.c_str(), &db);
    char* error = nullptr;
    if (code == SQLITE_OK) code = sqlite3_exec(db, Sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    sqlite3_close(db);
    if (code != SQLITE_OK) throw std::runtime_error(File + ": " + message);
}

// A Unix socket that takes connections and never answers, where a server's socket would be.
class TSilentServer {
public:
    explicit TSilentServer(const std::string& Folder)
    {
        FSocket = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = Folder + "/.s.PGSQL.5432";
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        if (FSocket < 0 || bind(FSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(FSocket, 8) != 0)
            throw std::runtime_error("cannot listen on " + path);
    }
    ~TSilentServer() { close(FSocket); }
    TSilentServer(const TSilentServer&) = delete;
    TSilentServer& operator=(const TSilentServer&) = delete;

private:
    int FSocket = -1;
};

// A folder of the test's own, removed with everything in it however the test ends.
struct TScratch {
    fs::path Path = fs::temp_directory_path() / ("zel-badinput-" + std::to_string(getpid()));
    TScratch() { fs::remove_all(Path); }
    ~TScratch()
    {
        std::error_code error;
        fs::permissions(Path / "ro", fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(Path, error);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
};

} // namespace

TEST(SourceBadInput, ReadOnlyDatabasesRefuseWritesAndUnreachableServersFailSoon)
{
    const TScratch scratch;
    const fs::path& folder = scratch.Path;
    fs::create_directories(folder / "ro");
    fs::create_directories(folder / "silent");
    const TSilentServer silent((folder / "silent").string());
    const std::string file = (folder / "orders.db").string(), inReadOnlyFolder = (folder / "ro" / "orders.db").string(),
                      wal = (folder / "ro" / "wal.db").string();
    const std::string schema = "CREATE TABLE t (Id INTEGER PRIMARY KEY, Name TEXT, Amount REAL);"
                               "INSERT INTO t VALUES (1, 'one', 1.5), (2, 'two', NULL), (3, 'three', -2);";
    RunSqlite(file, schema);
    RunSqlite(inReadOnlyFolder, schema);
    RunSqlite(wal, "PRAGMA journal_mode = WAL;" + schema);
    // Everyone may enter the folders; the files and the folder "ro" are read-only.
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(folder / "ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(inReadOnlyFolder, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    fs::permissions(wal, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    const TSharedPgServer& pg = SharedPgServer();
    if (!pg.Server) ADD_FAILURE() << "the test server did not start: " << pg.Error;
    const bool pgThere = pg.Server && pg.Server->Available();
    if (pgThere) {
        pg.Server->Exec("DROP TABLE IF EXISTS badinput; DROP ROLE IF EXISTS zel_reader; "
                        "CREATE TABLE badinput (\"Id\" integer PRIMARY KEY, \"Name\" text, \"Amount\" numeric);"
                        "INSERT INTO badinput VALUES (1, 'one', 1.5), (2, 'two', NULL), (3, 'three', -2);"
                        "CREATE ROLE zel_reader LOGIN; GRANT SELECT ON badinput TO zel_reader;");
    }
    const std::string pgInfo = pgThere ? pg.Server->ConnInfo() : "";
    TPgOptions quick;
    quick.ConnectTimeoutSeconds = 2;

    struct TCase {
        const char* What;
        bool Sqlite;
        std::function<std::unique_ptr<TTableSource>()> Open;
        const char* Message; // in the refusal of every write, or in the error that ends the open
    };
    const TCase cases[] = {
        {"a read-only database file", true, [&] { return std::make_unique<TSqliteSource>(file, "t"); }, "read-only"},
        {"a database in a read-only folder", true, [&] { return std::make_unique<TSqliteSource>(inReadOnlyFolder, "t"); },
         "read-only"},
        {"a read-only WAL database in a read-only folder", true,
         [&] { return std::make_unique<TSqliteSource>(wal, "t"); }, "read-only"},
        {"a read-only PostgreSQL database", false,
         [&] { return std::make_unique<TPgSource>(pgInfo + " options='-c default_transaction_read_only=on'", "badinput"); },
         "The database is read-only"},
        {"a PostgreSQL role that may only read", false,
         [&] { return std::make_unique<TPgSource>(pgInfo + " user=zel_reader", "badinput"); },
         "You may not change the table"},
        {"a server that never answers", false,
         [&] {
             return std::make_unique<TPgSource>("host=" + (folder / "silent").string() + " user=postgres dbname=postgres", "t",
                                                quick);
         },
         "timeout expired"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        if (!c.Sqlite && !pgThere) continue;
        std::unique_ptr<TUnprivileged> unprivileged;
        if (c.Sqlite) unprivileged = std::make_unique<TUnprivileged>();
        const auto started = std::chrono::steady_clock::now();
        std::unique_ptr<TTableSource> source;
        try {
            source = c.Open();
        } catch (const ESourceError& error) {
            const auto took = std::chrono::steady_clock::now() - started;
            EXPECT_NE(std::string(error.what()).find(c.Message), std::string::npos) << error.what();
            EXPECT_LT(took, std::chrono::seconds(10)) << "a connection that cannot be made ends within a few seconds";
            continue;
        }
        std::vector<TSourceRow> before, after;
        try {
            source->ReadRows(0, 10, before);
        } catch (const ESourceError& error) {
            ADD_FAILURE() << "opened, but reading failed: " << error.what();
            continue;
        }
        std::int64_t row = -1;
        const std::string refusals[] = {source->UpdateCell(1, 1, "changed"), source->InsertRecord(row), source->DeleteRecord(0)};
        for (const std::string& refusal : refusals) EXPECT_NE(refusal.find(c.Message), std::string::npos) << refusal;
        EXPECT_FALSE(source->Writable());
        // The records are shown in any order, unchanged; an order by a column no index serves
        // needs no writing either.
        try {
            source->SetOrder(1, TSortDirection::Descending);
            source->ReadRows(0, 10, after);
            EXPECT_EQ(after.size(), 3u);
            EXPECT_EQ(after.at(0).at(1), "two");
            source->SetOrder(-1, TSortDirection::None);
            source->Refresh();
            source->ReadRows(0, 10, after);
            EXPECT_EQ(after, before);
        } catch (const ESourceError& error) {
            ADD_FAILURE() << "order: " << error.what();
        }
    }
}
