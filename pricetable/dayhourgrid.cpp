#include "pricetable/dayhourgrid.h"

#include "pricing/messagetable.h"
#include "pricetable/dayhourcalc.h"
#include "pricetable/dayhourcodes.h"

namespace vnd::pricetable
{

using data::DataSetState;

QStringList precoHoraKeyFields()
{
    return {QStringLiteral("NRDIASEMANPR"), QStringLiteral("HRINIPRECDIA"),
            QStringLiteral("HRFINPRECDIA"), QStringLiteral("CDTIPOCONSPD")};
}

KeyColumnLock keyColumnLock(DataSetState state)
{
    const bool inserting = state == DataSetState::Insert;
    return {!inserting, inserting};
}

bool precoHoraColumnEditable(const QString &fieldName)
{
    return !isModalidadeField(fieldName);
}

void precoHoraColExit(data::ClientDataSet &ds, const QString &leftField,
                      const PrecoHoraContext &ctx)
{
    if (ds.state() != DataSetState::Edit && ds.state() != DataSetState::Insert)
        return;
    if (leftField.compare(QLatin1String("DTINIVALPREC"), Qt::CaseInsensitive) == 0)
        checkValidadeInicio(ds, ctx.period, false, ctx.messages);
    else if (leftField.compare(QLatin1String("CDTIPOCONSPD"), Qt::CaseInsensitive) == 0)
        checkTipoCons(ds, ctx.lookupTipoCons, ctx.messages);
    calculaPrecoItemDia(ds, ctx.item, leftField, ctx.messages);
}

QString tipoConsCellText(const QString &code, const QString &name, bool editorShowsCode,
                         const MessageTable &messages)
{
    if (code.isEmpty())
        return {};
    if (code == QLatin1String(kTodosTipoCons))
        return messages.msg(QStringLiteral("Todos"));
    return editorShowsCode ? code : name;
}

CheckImage modalidadeImage(const QString &flag, bool hasRecords)
{
    if (!hasRecords)
        return CheckImage::None;
    if (flag.startsWith(QLatin1Char('S')))
        return CheckImage::Check;
    if (flag.startsWith(QLatin1Char('N')))
        return CheckImage::Uncheck;
    return CheckImage::None;
}

QColor precoHoraFontColour(const QDate &dtIniValPrec, const QDate &dtFinValPrec, const QDate &today)
{
    const bool notYet = dtIniValPrec.isValid() && today < dtIniValPrec;
    const bool over = !dtFinValPrec.isValid() || today > dtFinValPrec;
    return notYet || over ? QColor(255, 0, 0) : QColor(0, 0, 0);
}

} // namespace vnd::pricetable
