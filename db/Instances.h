#pragma once
// The registry of the program's single instances: every window and the data module is
// created once at start-up, registered here, and reached from everywhere with the<T>().
// A window never owns another.
#include <QObject>
#include <typeindex>

namespace Instances {
void put(std::type_index type, QObject* object);
QObject* get(std::type_index type);
void remove(std::type_index type);
} // namespace Instances

template <class T> void registerInstance(T* object) {
    Instances::put(typeid(T), object);
}
template <class T> void unregisterInstance() {
    Instances::remove(typeid(T));
}
template <class T> T* instanceOf() {
    return static_cast<T*>(Instances::get(typeid(T)));
}

// The single instance of T; it must have been registered.
template <class T> T& the() {
    T* p = instanceOf<T>();
    Q_ASSERT_X(p, "the<T>()", typeid(T).name());
    return *p;
}
