// The list text of a product selection, read by the windows and checked by the server, and
// its conversion into the chosen-products dataset.

#include "tools/selection/chosenproducts.h"
#include "pricing/listtext.h"

#include <gtest/gtest.h>

using namespace vnd;
using namespace vnd::selection;

namespace
{
const QString A = QStringLiteral("0000000011"), B = QStringLiteral("0000000022");

QStringList codesOf(const data::ClientDataSet &ds)
{
    QStringList out;
    for (int row = 0; row < ds.recordCount(); ++row)
        out << ds.valueAt(row, ds.fieldByName(u"CDPRODUTO").index()).toString();
    return out;
}
} // namespace

TEST(ListText, WindowsReadCodesByPosition)
{
    struct Case {
        QString text;
        QStringList codes;
    } cases[] = {
        {u'_' + A + u'_' + B + u'_', {A, B}},
        {u'_' + A + u'_' + B, {A, B}},
        {QString(), {}},
        {QStringLiteral("_"), {}},
        {A + B, {}},
        // A code is the 10 characters after "_", whatever they hold; the next "_" is looked
        // for after them.
        {QStringLiteral("_00000_0001_") + B, {QStringLiteral("00000_0001"), B}},
        {QStringLiteral("_123"), {QStringLiteral("123")}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(listCodes(c.text), c.codes) << c.text.toStdString();
}

TEST(ListText, ServerAcceptsOnlyWellFormedTexts)
{
    EXPECT_EQ(wellFormedListCodes(u'_' + A + u'_' + B + u'_'), (QStringList{A, B}));
    EXPECT_EQ(wellFormedListCodes(u'_' + A + u'_' + B), (QStringList{A, B}));
    EXPECT_EQ(wellFormedListCodes(QStringLiteral("_12        _")), QStringList{"12"});
    EXPECT_EQ(wellFormedListCodes(QString()), QStringList());
    EXPECT_EQ(wellFormedListCodes(QStringLiteral("_")), QStringList());
    const QStringList malformed = {A,
                                   QStringLiteral("x_") + A,
                                   u'_' + A.left(9),
                                   u'_' + A + u'_' + B.left(3),
                                   u'_' + A + QStringLiteral("__"),
                                   QStringLiteral("_          _"),
                                   QStringLiteral("_00000_0001"),
                                   QStringLiteral("_000000000\n")};
    for (const QString &bad : malformed)
        EXPECT_FALSE(wellFormedListCodes(bad)) << bad.toStdString();
}

TEST(ListText, ConversionFillsTheDatasetInListOrderAndReplacesEarlierRows)
{
    data::ClientDataSet ds;
    listToDataSet(QString(), ds);
    EXPECT_FALSE(ds.isActive());

    listToDataSet(u'_' + A + u'_' + B + u'_', ds);
    ASSERT_TRUE(ds.isActive());
    EXPECT_EQ(codesOf(ds), (QStringList{A, B}));
    EXPECT_EQ(ds.fieldByName(u"CDPRODUTO").displayLabel, QStringLiteral("Código"));
    EXPECT_TRUE(ds.valueAt(0, ds.fieldByName(u"NMPRODUTO").index()).isNull());

    listToDataSet(u'_' + B, ds);
    EXPECT_EQ(codesOf(ds), QStringList{B});
    EXPECT_EQ(ds.toPacket().rows.size(), 1);

    listToDataSet(QString(), ds);
    EXPECT_EQ(codesOf(ds), QStringList{B});
}
