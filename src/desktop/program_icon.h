#pragma once
// The icon a program's windows carry: the one its desktop entry names, drawn
// from the same files the installed icon theme holds.
#include <QIcon>
#include <QString>

namespace desktop {

// id: the desktop entry's name without ".desktop", e.g. "org.aurelis.corvane".
// Small sizes come from the variants drawn for them, larger ones from the
// scalable drawing; an unknown id gives a null icon.
QIcon programIcon(const QString& id);

// The program goes by the desktop entry `id` (the desktop matches its windows
// to the entry by it) and its windows carry that entry's icon.
void setProgramIdentity(const QString& id);

} // namespace desktop
