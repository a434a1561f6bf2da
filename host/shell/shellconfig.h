#pragma once
// The shell's configuration: the settings file, then the command line over it.
//   --server HOST:PORT   application server (settings WebURL, WebPort); https://HOST:PORT
//                        for TLS, verified with the CA file of settings ArquivoCA
//   --db BANCO           the host's database, "sqlite:PATH" or "postgresql://..." (settings db)
//   --open FUNCTION      runs one exported creation function at start-up
//   --module PATH        the module library (default: beside the executable)
//   --settings FILE      another settings file (default ~/.config/vnd42700/backoffice.ini)
//   --user LOGIN         the login the sign-in dialog starts with (settings usuario)
//   --password-stdin     signs in as --user with the first line of standard input
//   --help               usage text

#include "host/services/hostconfig.h"

#include <QStringList>

namespace vnd::shell
{

struct ShellOptions {
    HostConfig host;
    QString openFunction;
    QString modulePath;
    QString settingsFile;
    QString login;
    // Authorities an https:// server's certificate is checked against (settings ArquivoCA);
    // empty: the system's store.
    QString caFile;
    bool passwordFromStdin = false;
    bool helpRequested = false;
};

// Portuguese usage text of --help.
QString shellUsage();

// Parses the arguments (argv[0] included). On a malformed command line returns false with
// a Portuguese message in error.
bool parseShellOptions(const QStringList &arguments, ShellOptions &options, QString &error);

// Default settings file.
QString defaultSettingsFile();

} // namespace vnd::shell
