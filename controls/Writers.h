#pragma once
// Commands and buttons that write to the catalogue say so once: the layouts
// give the design's own the property "writes", features declare theirs.
// While the catalogue shown is only read (as its connection was last
// opened), every one of them is off, whatever a window's own rules enable
// meanwhile; once a writable catalogue is shown, each is as those rules
// last left it.
#include <QList>
#include <QPointer>

class QObject;
class QWidget;
namespace engine {
class Connection;
}

namespace writers {

// command (a QAction or a button) writes.
void declare(QObject* command);
// Every child of window the layout declares as writing, taken in.
void adopt(QWidget* window);
bool declared(const QObject* command);

// The connection whose mode every writer follows, from its next opening on.
void follow(engine::Connection* connection);
// Whether the catalogue shown is only read.
bool readOnly();

} // namespace writers
