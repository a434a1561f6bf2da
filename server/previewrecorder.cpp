#include "server/previewrecorder.h"

namespace vnd::server
{

namespace
{
thread_local PreviewRecorder *t_active = nullptr;
} // namespace

PreviewRecorder::PreviewRecorder() : m_outer(t_active)
{
    t_active = this;
}

PreviewRecorder::~PreviewRecorder()
{
    t_active = m_outer;
}

PreviewRecorder *PreviewRecorder::active()
{
    return t_active;
}

void PreviewRecorder::count(const QString &what, qint64 n)
{
    for (auto &c : m_counts)
        if (c.first == what) {
            c.second += n;
            return;
        }
    m_counts.append({what, n});
}

void PreviewRecorder::sample(const QString &tree, const QString &name, const QString &what,
                             const QString &before, const QString &after)
{
    if (wantsSamples())
        m_samples.append({m_picture.GetTtNiveis() > 0 ? m_picture.format(tree) : tree, name, what,
                          before, after});
}

data::DataPacket PreviewRecorder::counts() const
{
    data::DataPacket p;
    p.fields = {{QStringLiteral("DESCRICAO"), data::FieldType::String, 80},
                {QStringLiteral("QUANTIDADE"), data::FieldType::Integer, 0}};
    for (const auto &[what, n] : m_counts)
        p.rows.push_back({what, n});
    return p;
}

data::DataPacket PreviewRecorder::samples() const
{
    data::DataPacket p;
    p.fields = {{QStringLiteral("PRODUTO"), data::FieldType::String, 20},
                {QStringLiteral("NMPRODUTO"), data::FieldType::String, 50},
                {QStringLiteral("CAMPO"), data::FieldType::String, 40},
                {QStringLiteral("ANTES"), data::FieldType::String, 120},
                {QStringLiteral("DEPOIS"), data::FieldType::String, 120}};
    p.rows = std::vector<data::Row>(m_samples.cbegin(), m_samples.cend());
    return p;
}

} // namespace vnd::server
