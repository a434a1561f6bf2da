#include "server/dayhourservice.h"

#include "server/arguments.h"
#include "server/dayhourrepository.h"

namespace vnd::server
{

using data::ValueArray;

void addDayHourMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<DayHourRepository>(database);

    dispatcher.add(QStringLiteral("GetPrecoHora"), 2, [repo](const Arguments &a) {
        return okReply(repo->rules(a.text(0), a.date(1)), {nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("SetPrecoHora"), 1, [repo](const Arguments &a) {
        repo->saveRules(a.delta(0));
        return okReply(true, {nullptr});
    });
    dispatcher.add(QStringLiteral("getVdModalidade"), 9, [repo](const Arguments &a) {
        const DayHourIdentity id{a.text(0), a.date(1), a.text(2), a.text(3), a.text(4),
                                 a.text(5), a.text(6), a.text(7), a.date(8)};
        return okReply(repo->sameIdentity(id), ValueArray(9));
    });
}

} // namespace vnd::server
