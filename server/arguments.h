#pragma once
// Typed access to a call's arguments; a wrong count or kind is the caller's error (400).

#include "host/data/value.h"

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
    const data::ChangeSet &delta(int index) const;
    const data::Value &raw(int index) const { return m_args[size_t(index)]; }
    int count() const { return int(m_args.size()); }

private:
    [[noreturn]] void wrongKind(int index, const char *kind) const;

    QString m_method;
    const data::ValueArray &m_args;
};

} // namespace vnd::server
