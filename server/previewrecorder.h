#pragma once
// What a bulk method would write, told by the method's own code while a preview runs it: the
// counts of what it wrote and the first rows as they were before and are after. Outside a
// preview nothing is recorded and the methods do no extra work.

#include "pricing/picture.h"
#include "wire/packet.h"

#include <QList>
#include <QPair>
#include <QString>

namespace vnd::server
{

class PreviewRecorder
{
public:
    static constexpr int kSampleRows = 20;

    // Records for the methods this thread runs while it lives.
    PreviewRecorder();
    ~PreviewRecorder();
    PreviewRecorder(const PreviewRecorder &) = delete;
    PreviewRecorder &operator=(const PreviewRecorder &) = delete;

    // The recorder of the preview running on this thread; nullptr outside one.
    static PreviewRecorder *active();

    // Adds to a count, kept in the order counts first appear.
    void count(const QString &what, qint64 n);
    bool wantsSamples() const { return m_samples.size() < kSampleRows; }
    // One row before and after: the product's stored tree code (shown through the picture),
    // its name, what changes, and its text before and after.
    void sample(const QString &tree, const QString &name, const QString &what,
                const QString &before, const QString &after);
    // The product-code picture the samples show codes with.
    void setPicture(const Picture &picture) { m_picture = picture; }

    // DESCRICAO, QUANTIDADE.
    data::DataPacket counts() const;
    // PRODUTO, NMPRODUTO, CAMPO, ANTES, DEPOIS.
    data::DataPacket samples() const;

private:
    PreviewRecorder *m_outer;
    Picture m_picture;
    QList<QPair<QString, qint64>> m_counts;
    QList<data::Row> m_samples;
};

} // namespace vnd::server
