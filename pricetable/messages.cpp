#include "pricetable/messages.h"

namespace vnd::pricetable
{

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
        QStringLiteral("HoraInv|Hora inválida."),
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
        QStringLiteral("PRECNCAD|Preço do produto não está cadastrado."),
        QStringLiteral("DIAINF|Dia deve ser informado."),
        QStringLiteral("PERVALINF|Percentual/Valor deve ser informado."),
        QStringLiteral("DESACRINF|Desconto/Acréscimo deve ser informado."),
        QStringLiteral("HORAMAIOR|Hora Inicial deve ser menor que a Hora Final."),
        QStringLiteral("VALMAIOR|Valor deve ser maior que zero."),
        QStringLiteral("VALINF|Valor informado deve ser maior do que zero."),
        QStringLiteral("PRECMAI|Preço deve ser maior que zero."),
        QStringLiteral("ACREVAL|O valor do acréscimo não pode ser maior ou igual ao preço do "
                       "produto."),
        QStringLiteral("DtFinInf|Data final de validade deve ser informado."),
        QStringLiteral("DtFinValDev|Data final de validade deve ser maior que a data inicial de "
                       "validade."),
        QStringLiteral("DtFinValDevDt|Data final de validade deve ser menor ou igual que a data "
                       "final de vigência."),
        QStringLiteral("VRPRODDESC_MAIOR|Valor do produto com desconto deve ser menor que o "
                       "valor original do produto."),
        QStringLiteral("TpCons|Tipo Consumidor"),
        // Missing from the original table; without it the user got a blank message.
        QStringLiteral("TpConsNCad|Tipo de consumidor não cadastrado."),
        QStringLiteral("Todos|Todos"),
        QStringLiteral("FILOUTTAB|Filial já cadastrada para outra tabela de preço. Tabela: %s, "
                       "data inicial de vigência: %s."),
        QStringLiteral("Não|Não"),
        QStringLiteral("PRSUGMAIOR|Preço sugerido deve ser maior ou igual a zero."),
        QStringLiteral("LIMPAR_PRECO|Deseja limpar a parametrização de preço do produto "
                       "selecionado?"),
        QStringLiteral("DtIniValDevDt|Data inicial de validade deve ser maior ou igual à data "
                       "inicial de vigência da tabela de preços."),
        QStringLiteral("DtIniInf|Data inicial deve ser informada."),
        QStringLiteral("PRECDIF_JA|Preço diferenciado já cadastrado para os dados informados."),
        QStringLiteral("PRECDLV_ZERO|Para informar preço diferenciado para o delivery, o preco "
                       "de delivery do produto também deve ser informado."),
        QStringLiteral("PRECCMD_ZERO|Para informar preço diferenciado para comanda, o preco de "
                       "comanda do produto também deve ser informado."),
        QStringLiteral("EXCLVIG|Deseja excluir a vigência da tabela selecionada?"),
        QStringLiteral("FER|Feriado"),
    };
}

} // namespace vnd::pricetable
