#pragma once

#include <QObject>

#include <utility>

// The write of a published property: the value is stored, then the change
// signal is emitted, on every write, an equal value included, so that an
// observer sees each write in the order it happened.
namespace PublishedProperty {

template<typename Owner, typename Field, typename Value>
void write(Owner *owner, Field &field, Value &&value, void (Owner::*changed)())
{
    field = std::forward<Value>(value);
    Q_EMIT(owner->*changed)();
}

} // namespace PublishedProperty
