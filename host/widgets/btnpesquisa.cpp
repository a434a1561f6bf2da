#include "host/widgets/btnpesquisa.h"

#include "host/services/ui.h"
#include "host/widgets/pesquisar.h"

#include <QStyle>

namespace vnd::widgets
{

TBtnPesquisa::TBtnPesquisa(QWidget *parent) : QToolButton(parent)
{
    setText(QStringLiteral("…"));
    setToolTip(QStringLiteral("Pesquisar"));
    setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] { execute(); });
}

bool TBtnPesquisa::execute()
{
    bool picked = false;
    guarded([this, &picked] {
        if (onBeforePesq)
            onBeforePesq(*this);
        picked = Pesquisar(m_source, caption, false, true);
        if (picked && onAfterPesq)
            onAfterPesq(*this);
    });
    return picked;
}

} // namespace vnd::widgets
