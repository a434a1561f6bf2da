#include "host/widgets/editmask.h"

#include <gtest/gtest.h>

using namespace vnd::widgets;

TEST(EditMask, TranslatesHostMasksToQtInputMasks)
{
    struct Case {
        const char *host;
        const char *qt;
    } cases[] = {
        {"!90:00;0; ", "09:99; "}, // host 9 optional, 0 required: swapped in Qt
        {"99:99;0; ", "00:00; "},
        {"!99:99;1; ", "00:00; "},
        {"00/00/0000;1;_", "99/99/9999;_"},
        {"LLL-000", "AAA-999;_"}, // letters, literal dash, default blank
        {">ccc", ">xxx;_"},
        {"\\A99", "\\A00;_"}, // an escaped host literal that is special in Qt
        {"9.99.999.9999;0; ", "0.00.000.0000; "},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(toQtInputMask(QString::fromUtf8(c.host)), QString::fromUtf8(c.qt)) << c.host;
}

TEST(EditMask, ParsesSaveLiteralsAndBlank)
{
    HostMask m = parseHostMask(QStringLiteral("!90:00;0; "));
    EXPECT_EQ(m.mask, QStringLiteral("!90:00"));
    EXPECT_FALSE(m.saveLiterals);
    EXPECT_EQ(m.blank, QChar(u' '));
    EXPECT_TRUE(m.trim);
    m = parseHostMask(QStringLiteral("00/00"));
    EXPECT_TRUE(m.saveLiterals);
    EXPECT_EQ(m.blank, QChar(u'_'));
    EXPECT_FALSE(m.trim);
}

TEST(EditMask, StoresAndFormatsTexts)
{
    struct Case {
        const char *mask, *shown, *stored;
    } toStored[] = {
        {"!90:00;0; ", "10:30", "1030"},
        {"!99:99;1; ", "09:30", "09:30"},
        {"99:99;0;_", "__:__", ""}, // nothing typed
        {"9.99.999.9999;0; ", "1.02.   .    ", "102"},
        {"", "free text", "free text"},
    };
    for (const Case &c : toStored)
        EXPECT_EQ(maskedToStored(QString::fromUtf8(c.mask), QString::fromUtf8(c.shown)),
                  QString::fromUtf8(c.stored))
            << c.mask << " " << c.shown;

    struct Fmt {
        const char *mask, *stored, *shown;
    } toShown[] = {
        {"!90:00;0; ", "1030", "10:30"},
        {"!90:00;0; ", "10:30", "10:30"}, // already shows its literals
        {"99:99;0; ", "0930", "09:30"},
        {"9.99.999.9999;0; ", "1020030004", "1.02.003.0004"},
        {"99:99;0; ", "", ""},
    };
    for (const Fmt &c : toShown)
        EXPECT_EQ(formatMaskText(QString::fromUtf8(c.mask), QString::fromUtf8(c.stored)),
                  QString::fromUtf8(c.shown))
            << c.mask << " " << c.stored;
}
