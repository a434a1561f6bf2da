#pragma once
// The host's toolbar glyphs, drawn as vector icons so they are crisp at any size and need
// no image files.

#include <QIcon>

namespace vnd::widgets
{

enum class Glyph {
    Incluir,
    Alterar,
    Excluir,
    Procurar,
    Verificar,
    Imprimir,
    Confirmar,
    Cancelar,
    Exportar,
    Promocao,
    PrecoDiferenciado,
    Primeiro,
    Anterior,
    Proximo,
    Ultimo,
    Modulo
};

QIcon hostIcon(Glyph glyph);

} // namespace vnd::widgets
