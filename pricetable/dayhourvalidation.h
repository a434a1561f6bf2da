#pragma once
// The checks and completion of a day/hour price rule before it is posted, and the date and
// consumer-type checks the grid also runs on leaving their columns.

#include "host/data/clientdataset.h"
#include "pricetable/dayhourrecord.h"
#include "pricetable/itemprice.h"

#include <functional>
#include <optional>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// The consumer type's name, or nullopt when the code is not registered (TIPOCONS lookup).
using TipoConsLookup = std::function<std::optional<QString>(const QString &cdTipoCons)>;
// Whether a rule with these identity values already exists (getVdModalidade has records).
using DuplicateCheck = std::function<bool(const ModalidadeKey &)>;

// What the rule checks read outside the record.
struct PrecoHoraContext {
    const MessageTable &messages;
    CurrentPeriod period;
    CurrentItem item;
    QString selectedField;   // field of the grid's selected column
    QString stChavePrecoDia; // identity when the edit began; "" when none
    TipoConsLookup lookupTipoCons;
    DuplicateCheck existsDuplicate;
};

// vd_Hora / vd_HoraFin: HRINIPRECDIA or HRFINPRECDIA must be a valid HHMM time; an invalid
// one (an empty one too) is emptied and refused with "'<edit text>'Hora inválida.".
void checkHoraDia(data::Field &hora, const MessageTable &messages);

// Vd_PrecoHoraDtIni, only in edit or insert: an empty start takes the period's start and end
// as the validity dates. The full check (before post) instead refuses an empty start when an
// end is given (DtIniInf), and a start before the period's (DtIniValDevDt).
void checkValidadeInicio(data::ClientDataSet &cdsPrecoHora, const CurrentPeriod &period, bool full,
                         const MessageTable &messages);
// Vd_PrecoHoraDtFin: full check only (DtFinInf, DtFinValDev, DtFinValDevDt).
void checkValidadeFim(data::ClientDataSet &cdsPrecoHora, const CurrentPeriod &period, bool full,
                      const MessageTable &messages);

// Vd_TipoCons: code normalised to width 2; empty means all ("T", "Todos"); any other code
// must be registered (TpConsNCad) and brings its name.
void checkTipoCons(data::ClientDataSet &cdsPrecoHora, const TipoConsLookup &lookup,
                   const MessageTable &messages);

// cdsPrecoHoraBeforePost: every rule in order; the first failure ends the post.
void precoHoraBeforePost(data::ClientDataSet &cdsPrecoHora, const PrecoHoraContext &context);

} // namespace vnd::pricetable
