#pragma once
// The commands that write a catalogue, each run through the program's own
// code (the data module, the table manager, the whole-file routines), for
// tests that make them fail or kill them half-way.
#include <QList>
#include <QString>

#include <functional>

struct WritePath {
    QString name;
    // Makes the file the command starts from.
    std::function<void(const QString& path)> makeFixture;
    // Runs the command on the file at path, a bare name in the current
    // folder; throws with the text the program would show when it fails.
    std::function<void(const QString& path)> run;
};

// rows: how many items the fixtures hold, which sets how long each runs.
QList<WritePath> writePaths(int rows);
