#include "tools/export/messages.h"

namespace vnd::exporttable
{

QStringList importaTabelaMessages()
{
    // The texts are the system's own: users and manuals quote them.
    return {
        QStringLiteral("TAB_NULL|Tabela origem deve ser informada."),
        QStringLiteral("TAB_INV|Tabela geral não cadastrada."),
        QStringLiteral("CONFIR|Confirma a exportação da tabela de preços?"),
        QStringLiteral("COD_INV|Tabela geral já cadastrada."),
        QStringLiteral("ImpOk|A exportação foi realizada com sucesso."),
        QStringLiteral("TAB_IGUAL|Tabela destino deve ser diferente da tabela origem."),
        QStringLiteral("NOME_TAB_NULL|Nome deve ser informado."),
        QStringLiteral("TABDEST_NULL|Tabela destino deve ser informada."),
        QStringLiteral("Prod_N_Cad|Não há produto cadastrado."),
        QStringLiteral("PROD|Produto"),
        QStringLiteral("Prod_N_Sel|Não há produto selecionado."),
        QStringLiteral("FILIAL|Filial"),
        QStringLiteral("CONFIR2|Os produtos selecionados terão seus preços sobrepostos nas tabelas "
                       "vigentes das filiais de destino. Deseja continuar?"),
    };
}

} // namespace vnd::exporttable
