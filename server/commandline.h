#pragma once
// The server's command line:
//   --db sqlite:PATH|postgresql://... --listen HOST:PORT [--threads N] [--spill-dir DIR]
//            [--spill-max-mb N] [--tls-cert PEM --tls-key PEM | --plain-http]
//   --db ... --init [--demo | --synthetic N] [--demo-users]
//   --db ... --add-user LOGIN --role PAPEL [--name NOME] | --set-password LOGIN |
//            --disable-user LOGIN | --enable-user LOGIN
//   --db ... --prune-history ANTES-DE --admin LOGIN

#include "server/useradmin.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace vnd::server
{

struct CommandLine {
    QString db;
    bool init = false;
    bool demo = false;
    int synthetic = 0;      // products; 0: none
    bool demoUsers = false; // --demo brings them too
    UserCommand user;
    QDate pruneBefore; // valid: --prune-history
    QString pruneAdmin;
    bool serve = false;
    QString host = QStringLiteral("127.0.0.1");
    int port = 42700;
    int threads = 16;
    int sessionIdleMinutes = 30;
    int sessionMaxHours = 12;
    QString tlsCert, tlsKey; // both or neither
    bool plainHttp = false;  // plain HTTP on an address other machines reach, asked for
    QString spillDir;        // empty: the system's temporary folder
    qint64 spillMaxMb = -1;  // -1: the server's default
    bool help = false;
    QString error; // not empty when the line is wrong
};

// args without the program name.
CommandLine parseCommandLine(const QStringList &args);
QString usage();

} // namespace vnd::server
