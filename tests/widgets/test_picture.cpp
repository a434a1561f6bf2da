#include "host/services/hostconfig.h"
#include "host/services/picture.h"
#include "host/services/scriptedui.h"
#include "host/widgets/checkdatetime.h"

#include <gtest/gtest.h>

using namespace vnd;

TEST(Picture, LevelsFormatAndValidation)
{
    const Picture p(QStringLiteral("9.99.999.9999"));
    EXPECT_EQ(p.GetTtNiveis(), 4);
    EXPECT_EQ(p.totalDigits(), 10);
    EXPECT_EQ(p.levelWidth(3), 3);
    EXPECT_EQ(p.mask(), QStringLiteral("9.99.999.9999;0; "));
    struct Case {
        const char *text;
        int level;
        const char *formatted;
    } cases[] = {
        {"1", 1, "1"},
        {"102", 2, "1.02"},
        {"1.02", 2, "1.02"},
        {"1020030004", 4, "1.02.003.0004"},
        {"1.02.003.0004", 4, "1.02.003.0004"},
        {"10", 0, "1.0"},                       // ends inside level 2
        {"1A2", 0, "1.2"},                      // a letter is no code
        {"102003000456", 0, "1.02.003.000456"}, // digits beyond the picture stay
    };
    for (const Case &c : cases) {
        EXPECT_EQ(p.levelOf(QString::fromUtf8(c.text)), c.level) << c.text;
        EXPECT_EQ(p.format(QString::fromUtf8(c.text)), QString::fromUtf8(c.formatted)) << c.text;
    }
}

TEST(Picture, ConfiguredPictureAndValidEx)
{
    hostConfig().productPicture = QStringLiteral("99.999");
    EXPECT_EQ(DBPictObj(ptProduto).GetTtNiveis(), 2);
    EXPECT_EQ(DBPict(ptProduto), QStringLiteral("99.999;0; "));
    EXPECT_THROW(DBPictObj(7), Error);

    ScriptedUi ui;
    QString code = QStringLiteral("12.345");
    EXPECT_TRUE(ValidEx(code));
    EXPECT_EQ(code, QStringLiteral("12345"));
    code = QStringLiteral("123");
    EXPECT_FALSE(ValidEx(code, ptProduto, false));
    EXPECT_TRUE(ui.errors().isEmpty());
    EXPECT_THROW(ValidEx(code), SilentAbort);
    EXPECT_EQ(ui.errors().size(), 1);
    hostConfig().productPicture = QStringLiteral("9.99.999.9999");
}

TEST(HostConfig, ParsesServerAddresses)
{
    struct Case {
        const char *text;
        bool ok;
        const char *host;
        int port;
    } cases[] = {
        {"127.0.0.1:42700", true, "127.0.0.1", 42700},
        {"servidor:80", true, "servidor", 80},
        {"[::1]:8080", true, "::1", 8080},
        {"HTTPS://servidor:8443", true, "https://servidor", 8443},
        {"http://[::1]:80", true, "http://::1", 80},
        {"https://servidor", false, "", 0},
        {"semporta", false, "", 0},
        {":80", false, "", 0},
        {"host:0", false, "", 0},
        {"host:70000", false, "", 0},
        {"::1:80", false, "", 0},
    };
    for (const Case &c : cases) {
        const auto a = parseServerAddress(QString::fromUtf8(c.text));
        ASSERT_EQ(a.has_value(), c.ok) << c.text;
        if (a) {
            EXPECT_EQ(a->host, QString::fromUtf8(c.host));
            EXPECT_EQ(a->port, c.port);
        }
    }
}

TEST(DateTexts, ParsesTypedDatesAndNamesWeekDays)
{
    using widgets::parseTypedDate;
    EXPECT_EQ(parseTypedDate(QStringLiteral("15/01/2024")), QDate(2024, 1, 15));
    EXPECT_EQ(parseTypedDate(QStringLiteral("5/1/2024")), QDate(2024, 1, 5));
    EXPECT_TRUE(parseTypedDate(QStringLiteral("  /  /    "))->isNull());
    EXPECT_FALSE(parseTypedDate(QStringLiteral("31/02/2024")).has_value());
    EXPECT_FALSE(parseTypedDate(QStringLiteral("15/01/24")).has_value());
    EXPECT_EQ(widgets::weekDayName(QDate(2024, 1, 14)), QStringLiteral("Domingo"));
    EXPECT_EQ(widgets::weekDayName(QDate(2024, 1, 16)), QStringLiteral("Terça"));
    EXPECT_EQ(widgets::weekDayName(QDate(2024, 1, 20)), QStringLiteral("Sábado"));
}
