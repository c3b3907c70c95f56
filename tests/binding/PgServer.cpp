#include "PgServer.h"

#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

// The newest installed server's programs: /usr/lib/postgresql/<version>/bin.
std::string FindServerPrograms()
{
    std::error_code error;
    std::string best;
    int bestVersion = -1;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
        const fs::path bin = entry.path() / "bin";
        if (!fs::exists(bin / "initdb") || !fs::exists(bin / "pg_ctl")) continue;
        const int version = std::atoi(entry.path().filename().c_str());
        if (version > bestVersion) {
            bestVersion = version;
            best = bin.string();
        }
    }
    return best;
}

} // namespace

TPgServer::TPgServer()
{
    FBin = FindServerPrograms();
    if (FBin.empty()) {
        FMissing = "the PostgreSQL server programs (initdb, pg_ctl under /usr/lib/postgresql/*/bin) are not "
                   "installed; scripts/setup installs them";
        return;
    }
    FAsPostgres = geteuid() == 0;
    const passwd* account = FAsPostgres ? getpwnam("postgres") : nullptr;
    if (FAsPostgres && !account) {
        FMissing = "running as root and there is no \"postgres\" account to run the server as";
        return;
    }
    // Short and private: the socket's path must fit in 107 bytes.
    char folder[] = "/tmp/zelpg-XXXXXX";
    if (!mkdtemp(folder)) throw std::runtime_error("cannot create a temporary folder for the server");
    FFolder = folder;
    if (FAsPostgres && chown(folder, account->pw_uid, account->pw_gid) != 0) {
        fs::remove_all(FFolder);
        throw std::runtime_error("cannot give " + FFolder + " to the postgres account");
    }
    try {
        if (Run("initdb -D data -U postgres --auth=trust --encoding=UTF8 --locale=C --no-sync") != 0)
            throw std::runtime_error("initdb failed:\n" + Log());
        // Only the socket in the folder, nothing on the network; speed over durability in tests.
        std::ofstream conf(FFolder + "/data/postgresql.conf", std::ios::app);
        conf << "listen_addresses = ''\nunix_socket_directories = '" << FFolder << "'\n"
             << "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\nmax_connections = 20\n";
        conf.close();
        if (!conf) throw std::runtime_error("cannot write the server's configuration");
        if (Run("pg_ctl -D data -l server.log -w -t 30 start") != 0)
            throw std::runtime_error("pg_ctl start failed:\n" + Log());
        FRunning = true;
    } catch (...) {
        Run("pg_ctl -D data -m immediate -w -t 30 stop");
        fs::remove_all(FFolder);
        throw;
    }
}

TPgServer::~TPgServer()
{
    if (FFolder.empty()) return;
    if (FRunning) Run("pg_ctl -D data -m immediate -w -t 30 stop");
    std::error_code error;
    fs::remove_all(FFolder, error);
}

void TPgServer::Stop()
{
    if (!FRunning) return;
    FRunning = false;
    if (Run("pg_ctl -D data -m fast -w -t 30 stop") != 0) throw std::runtime_error("pg_ctl stop failed:\n" + Log());
}

void TPgServer::Start()
{
    if (FRunning || FFolder.empty()) return;
    if (Run("pg_ctl -D data -l server.log -w -t 30 start") != 0) throw std::runtime_error("pg_ctl start failed:\n" + Log());
    FRunning = true;
}

int TPgServer::Run(const std::string& Command) const
{
    // The folder name comes from mkdtemp (no characters the shell would read).
    const std::string script = "cd " + FFolder + " && exec " + FBin + "/" + Command + " >> run.log 2>&1";
    std::string line;
    if (FAsPostgres)
        line = "runuser -u postgres -- timeout 60 sh -c '" + script + "'";
    else
        line = "timeout 60 sh -c '" + script + "'";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string TPgServer::Log() const
{
    std::ostringstream text;
    for (const char* name : {"/run.log", "/server.log"}) text << std::ifstream(FFolder + name).rdbuf();
    return text.str();
}

std::string TPgServer::ConnInfo(const std::string& Database) const
{
    return "host=" + FFolder + " port=5432 user=postgres dbname=" + Database;
}

void TPgServer::Exec(const std::string& Sql, const std::string& Database) const
{
    PGconn* connection = PQconnectdb(ConnInfo(Database).c_str());
    std::string error;
    if (PQstatus(connection) != CONNECTION_OK) {
        error = PQerrorMessage(connection);
    } else {
        PGresult* result = PQexec(connection, Sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) error = PQresultErrorMessage(result);
        PQclear(result);
    }
    PQfinish(connection);
    if (!error.empty()) throw std::runtime_error(Sql.substr(0, 200) + ": " + error);
}
