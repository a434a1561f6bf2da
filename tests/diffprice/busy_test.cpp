// A server call never freezes the windows: while SetPrecDif waits for the database (its
// write lock held by the test), the busy animation turns on top of the tool window with the
// call's caption and, past two seconds, the time gone by; keys and clicks do nothing; and the rule
// is registered once the lock is let go.

#include "diffpricefixture.h"

#include "host/widgets/busyanimation.h"
#include "host/widgets/busyoverlay.h"
#include "host/widgets/numberedit.h"

#include <QApplication>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

namespace vnd::diffprice::test
{
namespace
{

// The database's write lock, held on a connection of its own until released.
class WriteLock
{
public:
    explicit WriteLock(const QString &url)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(url.mid(QStringLiteral("sqlite:").size()));
        m_held = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~WriteLock()
    {
        release();
        QSqlDatabase::removeDatabase(kName);
    }
    bool held() const { return m_held; }
    void release()
    {
        if (std::exchange(m_held, false))
            QSqlQuery(QSqlDatabase::database(kName)).exec(QStringLiteral("ROLLBACK"));
        QSqlDatabase::database(kName).close();
    }

private:
    static inline const QString kName = QStringLiteral("test-write-lock");
    bool m_held = false;
};

// Paint events of the animation while the call waits.
class FrameCounter final : public QObject
{
public:
    int frames = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        frames += e->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

using BusyWhileCalling = DiffPriceFixture;

TEST_F(BusyWhileCalling, TheAnimationTurnsOnTopOfTheToolWindowAndInputIsSwallowed)
{
    if (onPostgres())
        GTEST_SKIP() << "the lock is taken on the SQLite file";
    fillValidRule();
    ui().queueAnswer(mrYes);
    WriteLock lock(databaseUrl());
    ASSERT_TRUE(lock.held());

    QWidget *overlay = nullptr, *coveredWindow = nullptr;
    bool onTop = false;
    QString caption, elapsedEarly, elapsedLate, valueAfterTyping;
    bool closedByUser = false;
    FrameCounter counter;
    const QWidget *tool = &form();
    QTimer::singleShot(300, &form(), [&] {
        overlay = widgets::busyAnimationWidget();
        if (!overlay)
            return lock.release();
        coveredWindow = overlay->window();
        onTop = overlay->parentWidget()->children().last() == overlay &&
                overlay->geometry() == overlay->parentWidget()->rect();
        caption = widgets::busyAnimationText();
        elapsedEarly = static_cast<widgets::Internal::BusyOverlay *>(overlay)->elapsedText();
        overlay->installEventFilter(&counter);
        // What a user does meanwhile is swallowed: typing, clicking, the close button.
        QTest::keyClicks(form().numValPer, QStringLiteral("9"));
        valueAfterTyping = form().numValPer->text();
        QTest::mouseClick(form().sbtFechar, Qt::LeftButton);
        closedByUser = !form().isVisible();
    });
    QTimer::singleShot(2300, &form(), [&] {
        if (overlay)
            elapsedLate = static_cast<widgets::Internal::BusyOverlay *>(overlay)->elapsedText();
        lock.release();
    });
    confirm();

    EXPECT_EQ(coveredWindow, tool);
    EXPECT_TRUE(onTop);
    EXPECT_EQ(caption, QString::fromUtf8("Cadastrando preços diferenciados no servidor..."));
    EXPECT_EQ(elapsedEarly, QString());
    EXPECT_EQ(elapsedLate, QStringLiteral("Tempo decorrido: 2 s"));
    EXPECT_GE(counter.frames, 10) << "the wheel turns every 90 ms";
    EXPECT_EQ(valueAfterTyping, QStringLiteral("1,00"));
    EXPECT_FALSE(closedByUser);
    // The call went through once the lock was let go: registered, window closed, reloaded.
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(calls(), (QStringList{"SetPrecDif", "GetPrecoHora", "getItemPreco"}));
    EXPECT_FALSE(formOpen());
    EXPECT_FALSE(widgets::busyAnimationActive());
}

} // namespace vnd::diffprice::test
