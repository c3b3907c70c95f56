#pragma once
// A PostgreSQL server of the tests' own: initdb into a new temporary folder and pg_ctl listening
// only on a Unix socket inside it (no TCP). The server refuses to run as root, so as root the
// programs run as the unprivileged "postgres" account through runuser, in a folder that account
// owns. The destructor stops the server and removes the folder, also when a test failed.
#include <string>

class TPgServer {
public:
    // Starts the server, or leaves Available() false with the reason in Missing() when the server
    // programs are not installed. Throws std::runtime_error when they are there but fail.
    TPgServer();
    ~TPgServer();
    TPgServer(const TPgServer&) = delete;
    TPgServer& operator=(const TPgServer&) = delete;

    bool Available() const { return FRunning; }
    const std::string& Missing() const { return FMissing; }
    // A libpq connection string for the database (created by CreateDatabase, or "postgres").
    std::string ConnInfo(const std::string& Database = "postgres") const;
    // Runs SQL statements on a new connection; throws std::runtime_error with the server's message.
    void Exec(const std::string& Sql, const std::string& Database = "postgres") const;
    // Stops the server as an administrator would (its connections are ended) and starts it
    // again on the same data; throws std::runtime_error when it does not start.
    void Stop();
    void Start();
    // The folder holding the socket and the data.
    const std::string& Folder() const { return FFolder; }

private:
    // Runs a server program (as the postgres account when root), its output into the folder's log.
    int Run(const std::string& Command) const;
    std::string Log() const;

    std::string FBin;
    std::string FFolder;
    std::string FMissing;
    bool FAsPostgres = false;
    bool FRunning = false;
};
