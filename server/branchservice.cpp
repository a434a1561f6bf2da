#include "server/branchservice.h"

#include "server/arguments.h"
#include "server/branchrepository.h"

#include <QDate>

namespace vnd::server
{

using data::ValueArray;

void addBranchMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<BranchRepository>(database);

    dispatcher.add(QStringLiteral("getFilTab"), 1, [repo](const Arguments &a) {
        return okReply(repo->branchesOf(a.text(0)), {nullptr});
    });
    dispatcher.add(QStringLiteral("getVdFilTab"), 2, [repo](const Arguments &a) {
        return okReply(repo->link(a.text(0), a.text(1)), {nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("getFilOutTab"), 2, [repo](const Arguments &a) {
        return okReply(repo->otherTable(a.text(0), a.text(1), QDate::currentDate()),
                       {nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("setFilTab"), 1, [repo](const Arguments &a) {
        repo->saveLinks(a.delta(0));
        return okReply(true, {nullptr});
    });
}

} // namespace vnd::server
