#pragma once
// TDateEditPlus: a date field (dd/mm/aaaa, may be empty) with a calendar drop-down whose
// week days are named in Portuguese ("Domingo", "Segunda", ...).

#include "host/widgets/maskedit.h"

#include <QDate>

class QCalendarWidget;

namespace vnd::widgets
{

class TDateEditPlus : public TMaskEdit
{
    Q_OBJECT
public:
    explicit TDateEditPlus(QWidget *parent = nullptr);

    // The date typed; a null QDate when empty or not a valid date.
    QDate GetDate() const;
    void setDate(const QDate &date); // a null date empties the field
    bool isEmpty() const;
    // An empty field passes; a text that is no date focuses the field and ends the operation
    // with "'31/02/2024' não é uma data válida." (MensErro).
    void CheckValidDate();

    // Opens the calendar (the button beside the text does the same).
    void showCalendar();
    QCalendarWidget *calendar() const { return m_calendar; }

private:
    QWidget *m_popup = nullptr;
    QCalendarWidget *m_calendar = nullptr;
};

} // namespace vnd::widgets
