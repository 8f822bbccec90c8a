#pragma once
// Commands and buttons that write to the catalogue say so once: the layouts
// give the design's own the property "writes", features declare theirs.
// While the catalogue shown is only read, every one of them is off, whatever
// a window's own rules enable meanwhile; once a writable catalogue is shown,
// each is as those rules last left it.
#include <QList>
#include <QPointer>

class QObject;
class QWidget;

namespace writers {

// command (a QAction or a button) writes.
void declare(QObject* command);
// Every child of window the layout declares as writing, taken in.
void adopt(QWidget* window);
bool declared(const QObject* command);

// Whether the catalogue shown is only read; every writer follows at once.
void setReadOnly(bool readOnly);
bool readOnly();

} // namespace writers
