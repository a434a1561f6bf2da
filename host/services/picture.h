#pragma once
// The configured product-code picture and the checks of typed codes against it.

#include "pricing/picture.h"

namespace vnd
{

// Picture types: 0 is the product code.
enum PictureType { ptProduto = 0 };

// The configured picture of a type (from hostConfig().productPicture); throws vnd::Error for
// a type without a picture.
Picture DBPictObj(int pictureType);
// Its edit mask in host mask syntax.
QString DBPict(int pictureType);

// Checks a typed code against the picture and normalises it to its digits. An invalid code
// (other characters, or digits ending inside a level) returns false, or with raise shows
// "Código inválido..." through MensErro and ends the operation.
bool ValidEx(QString &code, int pictureType = ptProduto, bool raise = true);

} // namespace vnd
