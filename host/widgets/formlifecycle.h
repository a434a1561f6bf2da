#pragma once
// Creating and closing the host's windows.
//
// Creation order: the base class constructor builds the base controls, the derived
// constructor adds the window's own, then CreateForm runs FormCreate (the derived override
// calls the base's first). Closing runs FormClose (its action decides: caFree releases the
// window, caHide only hides it, caNone keeps it open), then on caFree FormDestroy, then the
// window is deleted once control returns to the event loop.

#include "host/services/ui.h"

#include <memory>

namespace vnd::widgets
{

enum CloseAction { caNone, caHide, caFree };

// Constructs a window and runs its creation handler inside the handler guard. A failing
// FormCreate releases the window and answers nullptr (the failure has been shown).
template <class Form, class... Args> Form *CreateForm(Args &&...args)
{
    auto form = std::make_unique<Form>(std::forward<Args>(args)...);
    if (!guarded([&form] { form->runCreate(); }))
        return nullptr;
    return form.release();
}

} // namespace vnd::widgets
