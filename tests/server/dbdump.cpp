#include "dbdump.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace vnd::server::test
{

QStringList dumpData(const Database &database)
{
    QStringList out;
    for (const char *table :
         {"TABEPRECGER", "TABEVEND", "TABEPRECFILI", "FILIAL", "TIPOCONS", "TIPOCONSFILI",
          "PRODUTO", "PRODCOMP", "ITEMPRECO", "ITEMPRECODIA", "CONFIGHOST"}) {
        QSqlQuery q(database.connection());
        q.exec(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table)));
        QStringList rows;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            rows << row.join(u'|');
        }
        rows.sort();
        out << QLatin1String(table) + u':' << rows;
    }
    return out;
}

} // namespace vnd::server::test
