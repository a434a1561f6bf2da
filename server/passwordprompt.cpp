#include "server/passwordprompt.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace vnd::server
{

namespace
{

// Echo off for as long as it lives.
class NoEcho
{
public:
    NoEcho()
    {
        if (tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        m_on = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~NoEcho()
    {
        if (m_on)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }
    NoEcho(const NoEcho &) = delete;
    NoEcho &operator=(const NoEcho &) = delete;

private:
    termios m_saved{};
    bool m_on = false;
};

std::optional<QString> readLine()
{
    std::string line;
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        line.push_back(char(c));
    if (c == EOF && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromUtf8(line.data(), qsizetype(line.size()));
}

std::optional<QString> prompt(const char *text)
{
    std::fputs(text, stderr);
    std::fflush(stderr);
    const NoEcho quiet;
    std::optional<QString> line = readLine();
    std::fputc('\n', stderr);
    return line;
}

} // namespace

std::optional<QString> readPassword(QString &error)
{
    std::optional<QString> line = isatty(STDIN_FILENO) ? prompt("Senha: ") : readLine();
    if (!line)
        error = QStringLiteral("nenhuma senha informada");
    return line;
}

std::optional<QString> readNewPassword(QString &error)
{
    if (!isatty(STDIN_FILENO)) {
        std::optional<QString> line = readLine();
        if (!line)
            error = QStringLiteral("nenhuma senha na entrada padrão");
        return line;
    }
    const std::optional<QString> first = prompt("Senha: ");
    const std::optional<QString> second = first ? prompt("Repita a senha: ") : std::nullopt;
    if (!first || !second) {
        error = QStringLiteral("nenhuma senha digitada");
        return std::nullopt;
    }
    if (*first != *second) {
        error = QStringLiteral("as senhas digitadas não conferem");
        return std::nullopt;
    }
    return first;
}

} // namespace vnd::server
