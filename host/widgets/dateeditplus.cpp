#include "host/widgets/dateeditplus.h"

#include "host/services/ui.h"
#include "host/widgets/checkdatetime.h"
#include "host/widgets/lookupkey.h"

#include <QAction>
#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace vnd::widgets
{

TDateEditPlus::TDateEditPlus(QWidget *parent) : TMaskEdit(parent)
{
    setEditMask(QStringLiteral("99/99/9999;1; "));
    QAction *open = addAction(style()->standardIcon(QStyle::SP_ArrowDown), TrailingPosition);
    open->setToolTip(QStringLiteral("Calendário"));
    connect(open, &QAction::triggered, this, &TDateEditPlus::showCalendar);
    bindLookupKey(this, open);
    connect(this, &QLineEdit::textChanged, this, [this] {
        const QDate d = GetDate();
        setToolTip(d.isValid() ? weekDayName(d) + d.toString(QStringLiteral(", dd/MM/yyyy"))
                               : QString());
    });
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 36);
}

QDate TDateEditPlus::GetDate() const
{
    const auto d = parseTypedDate(EditText());
    return d ? *d : QDate();
}

bool TDateEditPlus::isEmpty() const
{
    const auto d = parseTypedDate(EditText());
    return d && d->isNull();
}

void TDateEditPlus::setDate(const QDate &date)
{
    setText(date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString());
}

void TDateEditPlus::CheckValidDate()
{
    if (parseTypedDate(EditText()))
        return;
    setFocus();
    MensErro(QStringLiteral("'%1' não é uma data válida.").arg(EditText().trimmed()));
}

void TDateEditPlus::showCalendar()
{
    if (!m_popup) {
        m_popup = new QWidget(this, Qt::Popup);
        auto *layout = new QVBoxLayout(m_popup);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->setSpacing(2);
        // Qt names week days from the locale; the host's names are its own.
        auto *header = new QHBoxLayout;
        header->setSpacing(0);
        for (int day : {7, 1, 2, 3, 4, 5, 6}) {
            auto *l = new QLabel(weekDayName(QDate(2024, 1, day)).left(3), m_popup);
            l->setAlignment(Qt::AlignCenter);
            l->setToolTip(weekDayName(QDate(2024, 1, day)));
            header->addWidget(l, 1);
        }
        m_calendar = new QCalendarWidget(m_popup);
        m_calendar->setFirstDayOfWeek(Qt::Sunday);
        m_calendar->setHorizontalHeaderFormat(QCalendarWidget::NoHorizontalHeader);
        m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        m_calendar->setGridVisible(true);
        auto *footer = new QLabel(m_popup);
        footer->setAlignment(Qt::AlignCenter);
        layout->addLayout(header);
        layout->addWidget(m_calendar);
        layout->addWidget(footer);
        auto showDay = [footer, this] {
            const QDate d = m_calendar->selectedDate();
            footer->setText(weekDayName(d) + d.toString(QStringLiteral(", dd/MM/yyyy")));
        };
        connect(m_calendar, &QCalendarWidget::selectionChanged, m_popup, showDay);
        connect(m_calendar, &QCalendarWidget::clicked, this, [this](QDate d) {
            setDate(d);
            m_popup->hide();
            setFocus();
        });
        connect(m_calendar, &QCalendarWidget::activated, this, [this](QDate d) {
            setDate(d);
            m_popup->hide();
            setFocus();
        });
        showDay();
    }
    const QDate d = GetDate();
    m_calendar->setSelectedDate(d.isValid() ? d : QDate::currentDate());
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
    m_calendar->setFocus();
}

} // namespace vnd::widgets
