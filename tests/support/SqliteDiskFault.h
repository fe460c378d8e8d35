#pragma once

// The disk under every SQLite file of this process failing, from
// construction to the end of its life, as the system's calls report it to
// SQLite:
// - Full: each write, and each growing of a file, fails with "no space left
//   on device". A file in write-ahead-log mode then cannot even be read when
//   no other connection has made its index of shared memory before.
// - Unreadable: each read fails with an I/O error as well.
// Pages that a connection holds in memory from before are not read again
// while the file is unchanged.
class SqliteDiskFault
{
public:
    enum class Kind { Full, Unreadable };

    explicit SqliteDiskFault(Kind kind);
    ~SqliteDiskFault();
    SqliteDiskFault(const SqliteDiskFault &) = delete;
    SqliteDiskFault &operator=(const SqliteDiskFault &) = delete;
};
