#include "host/services/picture.h"

#include "host/services/errors.h"
#include "host/services/hostconfig.h"
#include "host/services/ui.h"

namespace vnd
{

Picture DBPictObj(int pictureType)
{
    if (pictureType != ptProduto)
        throw Error(
            QStringLiteral("Máscara de código não configurada (tipo %1).").arg(pictureType));
    return Picture(hostConfig().productPicture);
}

QString DBPict(int pictureType)
{
    return DBPictObj(pictureType).mask();
}

bool ValidEx(QString &code, int pictureType, bool raise)
{
    const Picture picture = DBPictObj(pictureType);
    if (picture.levelOf(code) == 0) {
        if (raise)
            MensErro(QStringLiteral("Código \"%1\" inválido para a máscara %2.")
                         .arg(code.trimmed(), picture.picture()));
        return false;
    }
    code = Picture::strip(code);
    return true;
}

} // namespace vnd
