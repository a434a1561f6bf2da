#pragma once
// The fields of every packet the server returns, in the order and with the types and sizes
// the windows' client datasets declare.

#include "wire/packet.h"

namespace vnd::server::datasets
{

QList<data::FieldDef> tabGeral();      // getTabGeral, getVdTabGeral
QList<data::FieldDef> vigenciaTab();   // getVigenciaTab, getVdPeriodo
QList<data::FieldDef> maxDtFinVg();    // GetMaxDtFinVg
QList<data::FieldDef> filTab();        // getFilTab, getVdFilTab
QList<data::FieldDef> vdFilTab();      // getFilOutTab
QList<data::FieldDef> itemPreco();     // getItemPreco
QList<data::FieldDef> itemPrecoComp(); // getItemPrecoComp
QList<data::FieldDef> precoHora();     // GetPrecoHora, getVdModalidade
QList<data::FieldDef> expProduto();    // getExpProduto
QList<data::FieldDef> autItemPreco();  // GetAutItemPreco
QList<data::FieldDef> prodValid();     // GetProdValid

} // namespace vnd::server::datasets
