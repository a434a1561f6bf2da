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

    dispatcher.add(QStringLiteral("getFilTab"), [repo](const ValueArray &args) {
        Arguments a(QStringLiteral("getFilTab"), args, 1);
        return okReply(repo->branchesOf(a.text(0)), {nullptr});
    });
    dispatcher.add(QStringLiteral("getVdFilTab"), [repo](const ValueArray &args) {
        Arguments a(QStringLiteral("getVdFilTab"), args, 2);
        return okReply(repo->link(a.text(0), a.text(1)), {nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("getFilOutTab"), [repo](const ValueArray &args) {
        Arguments a(QStringLiteral("getFilOutTab"), args, 2);
        return okReply(repo->otherTable(a.text(0), a.text(1), QDate::currentDate()),
                       {nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("setFilTab"), [repo](const ValueArray &args) {
        Arguments a(QStringLiteral("setFilTab"), args, 1);
        repo->saveLinks(a.delta(0));
        return okReply(true, {nullptr});
    });
}

} // namespace vnd::server
