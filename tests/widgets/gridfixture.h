#pragma once
// A small price list shown in a grid inside a top-level window, for tests through events.

#include "host/data/clientdataset.h"
#include "host/services/scriptedui.h"
#include "host/widgets/dbgrid.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace vnd::widgets::test
{

inline data::DataPacket pricePacket(int rows = 3)
{
    using data::FieldType;
    data::DataPacket p;
    p.fields = {{QStringLiteral("CODIGO"), FieldType::String, 3},
                {QStringLiteral("NOME"), FieldType::String, 20},
                {QStringLiteral("PRECO"), FieldType::Float, 0},
                {QStringLiteral("FLAG"), FieldType::String, 1},
                {QStringLiteral("HORA"), FieldType::String, 4}};
    const char *names[] = {"Alface", "Batata", "Cenoura", "Damasco", "Ervilha"};
    for (int i = 0; i < rows; ++i)
        p.rows.push_back({QString::number(i + 1).rightJustified(3, u'0'),
                          QString::fromUtf8(names[i % 5]), double(i + 1) * 1.5, QStringLiteral("N"),
                          QStringLiteral("0930")});
    return p;
}

class GridFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        ds = new data::ClientDataSet(window.get());
        source = new data::DataSource(nullptr, window.get());
        grid = makeGrid();
        auto *layout = new QVBoxLayout(window.get());
        layout->addWidget(grid);
        other = new QWidget(window.get());
        other->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(other);
        grid->setDataSource(source);
        source->setDataSet(nullptr);
        source->setDataSet(ds); // the grid follows its source to another dataset
        ds->loadPacket(pricePacket());
        window->resize(600, 300);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        grid->setFocus();
        QApplication::processEvents();
    }
    virtual TDBGrid *makeGrid() { return new TDBGrid; }

    // Makes the cell at (row, column index) current, as a click would.
    void goTo(int row, int column)
    {
        grid->setCurrentIndex(grid->model()->index(row, column));
        grid->setFocus();
    }
    QString text(int row, const char *field) const
    {
        return ds->textAt(row, ds->fieldByName(QString::fromUtf8(field)).index(), false);
    }
    // One key at a time to whatever has the focus: the first key opens the cell editor.
    void type(const QString &keys)
    {
        for (const QChar c : keys) {
            if (c.unicode() < 128)
                QTest::keyClicks(QApplication::focusWidget(), QString(c));
            else
                QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown,
                                    QString(c), Qt::NoModifier);
        }
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), k, m);
    }

    ScriptedUi ui;
    std::unique_ptr<QWidget> window;
    data::ClientDataSet *ds = nullptr;
    data::DataSource *source = nullptr;
    TDBGrid *grid = nullptr;
    QWidget *other = nullptr;
};

} // namespace vnd::widgets::test
