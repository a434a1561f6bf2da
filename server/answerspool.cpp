#include "server/answerspool.h"

#include <QDir>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vnd::server
{

namespace
{

[[noreturn]] void failed(const char *what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

} // namespace

SpillBudget::SpillBudget(SpillLimits limits) : m_limits(std::move(limits))
{
    if (m_limits.directory.isEmpty())
        m_limits.directory = QDir::tempPath();
}

bool SpillBudget::takeMemory(qint64 n)
{
    if (m_memory.fetch_add(n) + n <= m_limits.memoryBytes)
        return true;
    m_memory -= n;
    return false;
}

int SpillBudget::openFile() const
{
    const QByteArray dir = QFile::encodeName(m_limits.directory);
    // Nameless from the start: nothing is left behind, whatever ends the process.
    int fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    QByteArray name = dir + "/vnd42700-resposta-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(name.constData());
    return fd;
}

AnswerSpool::~AnswerSpool()
{
    m_budget.giveMemory(m_memory);
    dropFile();
}

void AnswerSpool::dropFile()
{
    if (m_file < 0)
        return;
    m_budget.m_disk -= m_fileWritten;
    ::close(m_file);
    m_file = -1;
    m_fileRead = m_fileWritten = 0;
}

bool AnswerSpool::append(QByteArray part)
{
    std::unique_lock lock(m_lock);
    if (m_cancelled)
        return false;
    const qint64 n = part.size();
    m_total += n;
    // Memory only while nothing waits in the file, so the bytes stay in order.
    if (m_fileRead == m_fileWritten && m_memory + n <= m_budget.limits().answerMemoryBytes &&
        m_budget.takeMemory(n)) {
        m_memory += n;
        m_parts.push_back(std::move(part));
    } else {
        if (m_file < 0 && (m_file = m_budget.openFile()) < 0)
            failed("criar arquivo temporário da resposta");
        for (qint64 at = 0; at < n;) {
            const ssize_t w =
                ::pwrite(m_file, part.constData() + at, size_t(n - at), off_t(m_fileWritten + at));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                m_budget.m_disk += at;
                m_fileWritten += at;
                failed("gravar a resposta em disco");
            }
            at += w;
        }
        m_fileWritten += n;
        m_budget.m_disk += n;
    }
    wakeUp(lock);
    return true;
}

void AnswerSpool::finish()
{
    std::unique_lock lock(m_lock);
    m_done = true;
    wakeUp(lock);
}

void AnswerSpool::fail(const QString &why)
{
    std::unique_lock lock(m_lock);
    m_failed = true;
    m_failure = why;
    wakeUp(lock);
}

void AnswerSpool::wakeUp(std::unique_lock<std::mutex> &lock)
{
    std::function<void()> wake = std::move(m_wake);
    m_wake = nullptr;
    lock.unlock();
    if (wake)
        wake();
}

AnswerSpool::State AnswerSpool::take(QByteArray &out, qsizetype max, std::function<void()> wake)
{
    std::lock_guard lock(m_lock);
    if (!m_parts.empty()) {
        out = std::move(m_parts.front());
        m_parts.pop_front();
        m_memory -= out.size();
        m_budget.giveMemory(out.size());
        return State::Data;
    }
    if (m_fileRead < m_fileWritten) {
        const qint64 n = std::min<qint64>(max, m_fileWritten - m_fileRead);
        out.resize(qsizetype(n));
        for (qint64 at = 0; at < n;) {
            const ssize_t r = ::pread(m_file, out.data() + at, size_t(n - at), off_t(m_fileRead));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0) {
                m_failed = true;
                m_failure = QStringLiteral("ler a resposta do disco: %1")
                                .arg(QString::fromUtf8(std::strerror(r < 0 ? errno : EIO)));
                return State::Failed;
            }
            at += r;
            m_fileRead += r;
        }
        // Read back whole: its disk is given back and the next parts may wait in memory.
        if (m_fileRead == m_fileWritten) {
            if (::ftruncate(m_file, 0) == 0) {
                m_budget.m_disk -= m_fileWritten;
                m_fileRead = m_fileWritten = 0;
            }
        }
        return State::Data;
    }
    return endOrWait(std::move(wake));
}

AnswerSpool::State AnswerSpool::ended(std::function<void()> wake)
{
    std::lock_guard lock(m_lock);
    return endOrWait(std::move(wake));
}

AnswerSpool::State AnswerSpool::endOrWait(std::function<void()> wake)
{
    if (m_failed)
        return State::Failed;
    if (m_done)
        return State::Done;
    m_wake = std::move(wake);
    return State::Waiting;
}

qint64 AnswerSpool::total() const
{
    std::lock_guard lock(m_lock);
    return m_total;
}

QString AnswerSpool::failure() const
{
    std::lock_guard lock(m_lock);
    return m_failure;
}

void AnswerSpool::cancel()
{
    std::lock_guard lock(m_lock);
    m_cancelled = true;
    m_wake = nullptr;
    m_parts.clear();
    m_budget.giveMemory(m_memory);
    m_memory = 0;
    dropFile();
}

} // namespace vnd::server
