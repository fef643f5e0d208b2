#include "app/LinkLabelAccessible.h"

#include "app/LinkLabel.h"
#include "i18n/Mnemonics.h"

LinkLabelAccessible::LinkLabelAccessible(LinkLabel *link) : QAccessibleWidget(link, QAccessible::Link) {}

LinkLabel *LinkLabelAccessible::link() const
{
    return static_cast<LinkLabel *>(widget());
}

QString LinkLabelAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        if (!link()->accessibleName().isEmpty())
            return link()->accessibleName();
        return WithoutMnemonicMarks(link()->text());
    case QAccessible::Value:
        return QString();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State LinkLabelAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.linked = true;
    return state;
}

QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
LinkLabelAccessible::relations(QAccessible::Relation match) const
{
    // The link is its own mnemonic's buddy, which the toolkit would report as labelling itself.
    auto found = QAccessibleWidget::relations(match);
    found.removeIf([this](const auto &relation) { return relation.first->object() == object(); });
    return found;
}

QStringList LinkLabelAccessible::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (link()->isEnabled())
        names.prepend(QAccessibleActionInterface::pressAction());
    return names;
}

void LinkLabelAccessible::doAction(const QString &actionName)
{
    if (actionName != QAccessibleActionInterface::pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    if (!link()->isEnabled())
        return;
    // Queued like a button's animated click: the check it starts runs its own event loop,
    // which must not run inside the assistive technology's request.
    QMetaObject::invokeMethod(link(), &LinkLabel::clicked, Qt::QueuedConnection);
}

QStringList LinkLabelAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == QAccessibleActionInterface::pressAction())
        return {QStringLiteral("Return"), QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
