#include "pricing/tabgeralmessages.h"

#include "pricing/dayhourmessages.h"

namespace vnd::pricetable
{

namespace
{

// The day/hour rule messages are shared with the server, which refuses with the same texts.
QString rule(QStringView key)
{
    return key.toString() + u'|' + pricing::dayHourMessage(key);
}

} // namespace

QStringList tabGeralMessages()
{
    // The texts are the system's own, spelling included: users and manuals quote them.
    return {
        QStringLiteral("PENDENTE|Pendente"),
        QStringLiteral("LIBERADA|Liberada"),
        QStringLiteral("CONFIRMADA|Confirmada"),
        QStringLiteral("APROVADA|Aprovada"),
        QStringLiteral("COD_DEV|Código deve ser informado."),
        QStringLiteral("NOME_DEV|Nome deve ser informado."),
        QStringLiteral("TAB_JA|Tabela de preços já cadastrada."),
        QStringLiteral("DTINI_DEV|Data inicial deve ser informada."),
        QStringLiteral("DTFIN_DEV|Data final deve ser informada."),
        QStringLiteral("DTFINMAIOR|Data final deve ser maior ou igual à inicial"),
        QStringLiteral("EXISTE_PERIODO|Já existe um período cadastrado para a tabela de preço no "
                       "intervalo informado. Favor informar outra data."),
        QStringLiteral("EXCLUIR_RELAC|Deseja exclur a tabela de preços e todos registros "
                       "relacionados?"),
        QStringLiteral("ativa|Ativa"),
        QStringLiteral("inativa|Inativa"),
        QStringLiteral("FILIAL|Filial"),
        QStringLiteral("Filial_Cad|Filial não cadastrada."),
        QStringLiteral("FIL_DEV|Filial deve ser informada."),
        QStringLiteral("FIL_JA|Filial já cadastrada."),
        QStringLiteral("FIL_N|Filial não cadastrada."),
        QStringLiteral("VrCons_Zero|Valor consumidor deve ser maior que zero."),
        QStringLiteral("Ope_bl_VrPrec|Operação bloqueda. Valor preço inválido."),
        QStringLiteral("VrClie_Zero|Valor Cliente deve ser maior ou igual a zero."),
        QStringLiteral("Ope_bl_VrItemCl|Operação bloqueda. Valor preço subsidiado inválido."),
        QStringLiteral("Ope_bl_VrItem_Sug|Operação bloqueada. Valor preço sugerido inválido."),
        QStringLiteral("Ope_bl_Vr_Cal|Operação bloqueada. Valor preço calculado inválido."),
        QStringLiteral("HORAINIINF|Hora Inicial deve ser informada."),
        QStringLiteral("HORAFININF|Hora final deve ser informada."),
        rule(u"HoraInv"),
        QStringLiteral("Sim|Sim"),
        QStringLiteral("DOM|Domingo"),
        QStringLiteral("SEG|Segunda"),
        QStringLiteral("TER|Terça"),
        QStringLiteral("QUA|Quarta"),
        QStringLiteral("QUI|Quinta"),
        QStringLiteral("SEX|Sexta"),
        QStringLiteral("SAB|Sábado"),
        QStringLiteral("VES|Véspera de Feriado"),
        QStringLiteral("TOD|Todos os Dias"),
        QStringLiteral("PER|Percentual"),
        QStringLiteral("VAL|Valor fixo"),
        QStringLiteral("DES|Desconto"),
        QStringLiteral("ACR|Acréscimo"),
        QStringLiteral("S|Sim"),
        QStringLiteral("N|Não"),
        rule(u"PRECNCAD"),
        rule(u"DIAINF"),
        rule(u"PERVALINF"),
        rule(u"DESACRINF"),
        rule(u"HORAMAIOR"),
        rule(u"VALMAIOR"),
        QStringLiteral("VALINF|Valor informado deve ser maior do que zero."),
        rule(u"PRECMAI"),
        rule(u"ACREVAL"),
        rule(u"DtFinInf"),
        rule(u"DtFinValDev"),
        rule(u"DtFinValDevDt"),
        rule(u"VRPRODDESC_MAIOR"),
        QStringLiteral("TpCons|Tipo Consumidor"),
        rule(u"TpConsNCad"),
        rule(u"Todos"),
        QStringLiteral("FILOUTTAB|Filial já cadastrada para outra tabela de preço. Tabela: %s, "
                       "data inicial de vigência: %s."),
        QStringLiteral("Não|Não"),
        QStringLiteral("PRSUGMAIOR|Preço sugerido deve ser maior ou igual a zero."),
        QStringLiteral("LIMPAR_PRECO|Deseja limpar a parametrização de preço do produto "
                       "selecionado?"),
        rule(u"DtIniValDevDt"),
        rule(u"DtIniInf"),
        rule(u"PRECDIF_JA"),
        rule(u"PRECDLV_ZERO"),
        rule(u"PRECCMD_ZERO"),
        QStringLiteral("EXCLVIG|Deseja excluir a vigência da tabela selecionada?"),
        QStringLiteral("FER|Feriado"),
    };
}

} // namespace vnd::pricetable
