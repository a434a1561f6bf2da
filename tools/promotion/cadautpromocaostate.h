#pragma once
// Module-level state of the promotion window's unit.

#include <QPointer>

namespace vnd::promotion
{

class TfrmCadAutPromocao;

extern QPointer<TfrmCadAutPromocao> frmCadAutPromocao;
// An instance exists: set on creation, cleared by the window's close handler.
extern bool boStCriado;

// Creates the window unless one exists, and shows it modally.
void criaCadAutPromocao();

} // namespace vnd::promotion
