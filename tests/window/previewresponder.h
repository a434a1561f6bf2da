#pragma once
// Answers a bulk tool's preview as a user does: reads what it shows, then clicks "Confirmar"
// or "Voltar".

#include "host/widgets/dialogrunner.h"
#include "tools/preview/frmprevia.h"

#include <QAbstractButton>
#include <QMap>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace vnd::widgets::test
{

struct PreviewSeen {
    int shown = 0;
    QStringList titles;
    QMap<QString, qint64> counts; // of every part, by what they count
    int sampleRows = 0;           // of every part
};

inline DialogResponder previewResponder(PreviewSeen &seen, bool confirm)
{
    return [&seen, confirm](QDialog &d) {
        auto *preview = qobject_cast<TfrmPrevia *>(&d);
        if (!preview)
            return;
        ++seen.shown;
        seen.titles << preview->windowTitle();
        for (QTableWidget *t : preview->grdContagens)
            for (int r = 0; r < t->rowCount(); ++r)
                seen.counts[t->item(r, 0)->text()] +=
                    t->item(r, 1)->text().remove(u'.').toLongLong();
        for (QTableWidget *t : preview->grdAmostras)
            seen.sampleRows += t->rowCount();
        // It opens on the list, not on a button: an Enter on arrival must not write.
        EXPECT_TRUE(d.focusWidget() && !qobject_cast<QAbstractButton *>(d.focusWidget()));
        QTest::mouseClick(confirm ? preview->sbtConfirmar : preview->sbtVoltar, Qt::LeftButton);
    };
}

} // namespace vnd::widgets::test
