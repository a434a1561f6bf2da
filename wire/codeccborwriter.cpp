#include "wire/codecio.h"
#include "wire/error.h"

#include <QCborStreamWriter>


namespace vnd::data::Internal
{

namespace
{

class CborWriter final : public TokenWriter
{
public:
    CborWriter() : m_writer(&m_out) { m_out.reserve(4096); }

    void beginArray(qsizetype count) override { m_writer.startArray(quint64(count)); }
    void endArray() override { m_writer.endArray(); }
    void beginMap(qsizetype count) override { m_writer.startMap(quint64(count)); }
    void endMap() override { m_writer.endMap(); }
    void key(QLatin1StringView name) override { m_writer.append(name); }
    void null() override { m_writer.appendNull(); }
    void boolean(bool b) override { m_writer.append(b); }
    void integer(qint64 i) override { m_writer.append(i); }
    // Always eight bytes: the value travels bit for bit.
    void floating(double d) override
    {
        requireFinite(d);
        m_writer.append(d);
    }
    void string(QStringView s) override { m_writer.append(s); }
    void ascii(QLatin1StringView s) override { m_writer.append(s); }
    QByteArray take() override
    {
        m_writer.setDevice(nullptr);
        return std::move(m_out);
    }

private:
    QByteArray m_out;
    QCborStreamWriter m_writer;
};

} // namespace

std::unique_ptr<TokenWriter> makeCborWriter()
{
    return std::make_unique<CborWriter>();
}

} // namespace vnd::data::Internal
