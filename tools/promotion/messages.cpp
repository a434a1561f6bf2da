#include "tools/promotion/messages.h"

namespace vnd::promotion
{

QStringList cadAutPromocaoMessages()
{
    // The texts are the system's own: users and manuals quote them.
    return {
        QStringLiteral("ProdIni_inf|Produto inicial deve ser informado."),
        QStringLiteral("ProdFim_inf|Produto final deve ser informado."),
        QStringLiteral("Produto|Produto"),
        QStringLiteral("Prod_N_Cad|Produto não cadastrado."),
        QStringLiteral("Lista_Vazia|Produto deve ser informado."),
        QStringLiteral("Confimar|Confirma alteração dos produtos selecionados?"),
        QStringLiteral("ProdIniDev|Produto inicial deve ser menor ou igual que produto final."),
        QStringLiteral("AlteracaoOk|Alteração realizada com sucesso."),
        QStringLiteral("Prefixo_Inf|Prefixo deve ser informado."),
    };
}

} // namespace vnd::promotion
