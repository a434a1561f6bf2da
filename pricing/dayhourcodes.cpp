#include "pricing/dayhourcodes.h"

namespace vnd::pricing
{

namespace
{

// The week starts on Sunday.
const CodeEntry kDias[] = {
    {"1", "DOM"}, {"2", "SEG"}, {"3", "TER"}, {"4", "QUA"}, {"5", "QUI"},
    {"6", "SEX"}, {"7", "SAB"}, {"V", "VES"}, {"F", "FER"}, {"T", "TOD"},
};
const CodeEntry kPerValor[] = {{"P", "PER"}, {"V", "VAL"}};
const CodeEntry kDescAcre[] = {{"D", "DES"}, {"A", "ACR"}};
const CodeEntry kVisualiza[] = {{"S", "S"}, {"N", "N"}};

} // namespace

CodeTable diaSemanaCodes()
{
    return kDias;
}

CodeTable perValorCodes()
{
    return kPerValor;
}

CodeTable descAcreCodes()
{
    return kDescAcre;
}

CodeTable visualizaCodes()
{
    return kVisualiza;
}

CodeTable codeTableOf(const QString &fieldName)
{
    const QString name = fieldName.toUpper();
    if (name == QLatin1String("NRDIASEMANPR"))
        return kDias;
    if (name == QLatin1String("IDPERVALORPR"))
        return kPerValor;
    if (name == QLatin1String("IDDESCACREPR"))
        return kDescAcre;
    if (name == QLatin1String("IDVISUACUPOM"))
        return kVisualiza;
    return {};
}

bool isCode(CodeTable table, const QString &stored)
{
    for (const CodeEntry &e : table)
        if (stored == QLatin1String(e.code))
            return true;
    return false;
}

} // namespace vnd::pricing
