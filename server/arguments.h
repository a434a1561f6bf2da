#pragma once
// Typed access to a call's arguments; a wrong count or kind is the caller's error (400).

#include "wire/value.h"

namespace vnd::server
{

class Arguments
{
public:
    // Throws ServiceError when the count differs from expected.
    Arguments(QString method, const data::ValueArray &args, int expected);

    // A text; no value reads as the empty text.
    QString text(int index) const;
    // A date; a date-time gives its date; no value gives an invalid date.
    QDate date(int index) const;
    // A date-time; a date is its start; no value gives an invalid one.
    QDateTime dateTime(int index) const;
    const data::ChangeSet &delta(int index) const;
    bool boolean(int index) const;
    qint64 integer(int index) const;
    // A number; an integer is taken as well. No value reads as 0.
    double number(int index) const;
    // A packet; no value reads as a packet without rows.
    const data::DataPacket &packet(int index) const;
    const data::Value &raw(int index) const { return m_args[size_t(index)]; }
    int count() const { return int(m_args.size()); }

private:
    [[noreturn]] void wrongKind(int index, const char *kind) const;

    QString m_method;
    const data::ValueArray &m_args;
};

// Refuses, before any statement runs, a text argument holding a control character (422) and
// a field value of a packet or change set holding NUL, which no database stores alike;
// other characters in field values are left to the columns' checks, so that rows stored
// before them stay editable.
void checkArgumentTexts(const QString &method, const data::ValueArray &args);

// The level count of the product-code picture, sent as decimal text; 400 unless 1 to 20.
int levelCount(const QString &text);

} // namespace vnd::server
