#include "server/previewservice.h"

#include "server/previewrecorder.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

namespace vnd::server
{

void addPreviewMethods(Dispatcher &dispatcher, const Database &database)
{
    for (const char *name :
         {"setConfirmar", "SetUpdItemPrecoAlt", "SetAddPrefixo", "SetDelPrefixo", "SetPrecDif"}) {
        const QString method = QString::fromLatin1(name);
        const Dispatcher *methods = &dispatcher;
        const Database *db = &database;
        dispatcher.add(method + QStringLiteral("Previa"), [methods, db,
                                                           method](const data::ValueArray &args) {
            PreviewRecorder recorder;
            data::Reply real;
            {
                // Never committed: the method's own unit of work joins this one,
                // and everything it wrote goes with the rollback.
                UnitOfWork preview(*db);
                SqlStatement picture(preview.db(), QStringLiteral("SELECT VALOR FROM CONFIGHOST "
                                                                  "WHERE CHAVE = "
                                                                  "'PICTURE_PRODUTO'"));
                if (picture.exec().next())
                    recorder.setPicture(Picture(picture.value(0).toString().trimmed()));
                real = methods->call(method, args);
            }
            return okReply(data::ValueArray{real.result, recorder.counts(), recorder.samples()},
                           real.refs);
        });
    }
}

} // namespace vnd::server
