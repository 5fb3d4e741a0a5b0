// Keys that reach the program wherever the keyboard focus is.
#pragma once

#include <QKeyCombination>
#include <QObject>

namespace kelp::platform {

class GlobalHotKeys : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Takes `key` for the whole desktop. False when it cannot be had (another
    // program holds it, or no key of this keyboard makes it); that is only
    // reported as a diagnostic, the other keys work all the same.
    virtual bool grab(QKeyCombination key) = 0;
    virtual void release(QKeyCombination key) = 0;
    virtual void releaseAll() = 0;

signals:
    // Delivered from the event loop, never from inside native event handling.
    void activated(QKeyCombination key);
};

} // namespace kelp::platform
