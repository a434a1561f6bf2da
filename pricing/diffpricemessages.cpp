#include "pricing/diffpricemessages.h"

#include "pricing/messagetable.h"

namespace vnd::diffprice
{

QStringList cadAutPrecoDeferenciadoMessages()
{
    // The texts are the system's own, trailing blanks and all: users and manuals quote them.
    return {
        QStringLiteral("ValDe|Validade Inicial deve ser menor ou igual a Validade Final."),
        QStringLiteral("PROD|Produto"),
        QStringLiteral("PRODINV|Não há produto cadastrado."),
        QStringLiteral("PRODNINF|Produto Inicial deve ser informado."),
        QStringLiteral("PRODNFIM|Produto Final deve ser informado."),
        QStringLiteral("PRODNCAD|Produto não cadastrado."),
        QStringLiteral("DIAINF|Dia da Semana deve ser informado."),
        QStringLiteral("CONF|Confirma operação? Caso já exista um preço diferenciado cadastrado "
                       "para os produtos selecionados, com mesmo dia, tipo de consumidor, "
                       "horário e validade, este será substituído."),
        QStringLiteral("VALINF|Valor informado deve ser maior do que zero."),
        QStringLiteral("HORINIINF|Horário Inicial deve ser informado."),
        QStringLiteral("HORFININF|Horário final deve ser informado."),
        QStringLiteral("HORARIO|Horário Inicial deve ser menor ou igual ao Horário Final"),
        QStringLiteral("PRODINF|Produto deve ser informado."),
        QStringLiteral("HORAINV|não é uma Hora Válida."),
        QStringLiteral("DTVALIDADEINI|Data Inicial de Validade deve ser maior ou igual a Data "
                       "Inicial de Vigência ."),
        QStringLiteral("DTVALIDADEFIN|Data Final de Validade deve ser menor ou igual a Data "
                       "Final de Vigência. "),
        QStringLiteral("Prec_Inf|Cadastrando preços diferenciados no servidor..."),
        QStringLiteral("VRDESC|O percentual de desconto deve estar entre 0 e 100."),
        QStringLiteral("VRACRE|O percentual de acréscimo deve estar entre 0 e 100."),
        QStringLiteral("Cons_n_Cad|Tipo de consumidor não cadastrado!"),
        // Not in the original table: it opened over no period and sent an empty one.
        QStringLiteral("SEM_VIGENCIA|Abra a Tabela de Preços Geral e escolha uma vigência antes "
                       "de usar esta ferramenta."),
    };
}

QString diffPriceMessage(const char *key)
{
    static const MessageTable table(cadAutPrecoDeferenciadoMessages());
    return table.msg(QString::fromLatin1(key));
}

} // namespace vnd::diffprice
