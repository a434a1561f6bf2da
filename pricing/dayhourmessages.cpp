#include "pricing/dayhourmessages.h"

namespace vnd::pricing
{

namespace
{

struct Message {
    const char *key;
    const char *text;
};

// The system's own texts, spelling included: users and manuals quote them.
const Message kMessages[] = {
    {"PRECNCAD", "Preço do produto não está cadastrado."},
    {"DIAINF", "Dia deve ser informado."},
    {"PERVALINF", "Percentual/Valor deve ser informado."},
    {"DESACRINF", "Desconto/Acréscimo deve ser informado."},
    {"HoraInv", "Hora inválida."},
    {"HORAMAIOR", "Hora Inicial deve ser menor que a Hora Final."},
    {"VALMAIOR", "Valor deve ser maior que zero."},
    {"PRECMAI", "Preço deve ser maior que zero."},
    {"ACREVAL", "O valor do acréscimo não pode ser maior ou igual ao preço do produto."},
    {"PRECDLV_ZERO", "Para informar preço diferenciado para o delivery, o preco de delivery do "
                     "produto também deve ser informado."},
    {"PRECCMD_ZERO", "Para informar preço diferenciado para comanda, o preco de comanda do "
                     "produto também deve ser informado."},
    {"VRPRODDESC_MAIOR",
     "Valor do produto com desconto deve ser menor que o valor original do produto."},
    {"DtIniInf", "Data inicial deve ser informada."},
    {"DtIniValDevDt", "Data inicial de validade deve ser maior ou igual à data inicial de "
                      "vigência da tabela de preços."},
    {"DtFinInf", "Data final de validade deve ser informado."},
    {"DtFinValDev", "Data final de validade deve ser maior que a data inicial de validade."},
    {"DtFinValDevDt",
     "Data final de validade deve ser menor ou igual que a data final de vigência."},
    // Missing from the original table; without it the user got a blank message.
    {"TpConsNCad", "Tipo de consumidor não cadastrado."},
    {"Todos", "Todos"},
    {"PRECDIF_JA", "Preço diferenciado já cadastrado para os dados informados."},
};

} // namespace

QString dayHourMessage(QStringView key)
{
    for (const Message &m : kMessages)
        if (key == QLatin1String(m.key))
            return QString::fromUtf8(m.text);
    return {};
}

QString invalidTimeMessage(const QString &stored)
{
    const QString shown =
        stored.isEmpty() ? QStringLiteral(":") : stored.left(2) + u':' + stored.mid(2, 2);
    return u'\'' + shown + u'\'' + dayHourMessage(u"HoraInv");
}

} // namespace vnd::pricing
