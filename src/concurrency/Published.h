// Observable state on the main actor. A Published<T> announces every
// assignment, also of an unchanged value, before storing it: subscribers get
// the new value as an argument, and one that must read the stored state
// defers its work to a new main-actor task. subscribe() replays the current
// value at once. Subscribing and unsubscribing while a notification runs are
// safe; a set() made from inside a callback is delivered and stored before the
// outer value is stored. The owning object's will-change signal fires before
// the property's own subscribers.
#pragma once

#include "concurrency/MainActorCheck.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace lumra {

// Ends a subscription when destroyed. Declare it after the state its callback
// touches, so it goes first.
class [[nodiscard]] Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel() {
        if (auto cancel = std::exchange(m_cancel, {}))
            cancel();
    }

private:
    std::function<void()> m_cancel;
};

// A list of callbacks that may change while it is being called.
template <class... Args> class Signal {
public:
    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    Subscription connect(std::function<void(Args...)> callback) const {
        auto slot = std::make_shared<Slot>(Slot{std::move(callback), true});
        m_slots->push_back(slot);
        std::weak_ptr<std::vector<std::shared_ptr<Slot>>> weakSlots = m_slots;
        return Subscription([weakSlots, weakSlot = std::weak_ptr<Slot>(slot)] {
            auto connectedSlot = weakSlot.lock();
            if (!connectedSlot)
                return;
            connectedSlot->active = false;
            if (auto connected = weakSlots.lock())
                std::erase(*connected, connectedSlot);
        });
    }

    // Connects callback and calls it once with replay: the same callback
    // object, so state it keeps carries over to the notifications.
    Subscription connectAndCall(std::function<void(Args...)> callback,
                                const Args&... replay) const {
        Subscription subscription = connect(std::move(callback));
        const auto slot = m_slots->back();
        slot->callback(replay...);
        return subscription;
    }

    // Calls the callbacks connected when it began that are still connected.
    void send(const Args&... args) const {
        const auto snapshot = *m_slots;
        for (const auto& slot : snapshot) {
            if (slot->active)
                slot->callback(args...);
        }
    }

    bool empty() const { return m_slots->empty(); }

private:
    struct Slot {
        std::function<void(Args...)> callback;
        bool active;
    };
    std::shared_ptr<std::vector<std::shared_ptr<Slot>>> m_slots =
        std::make_shared<std::vector<std::shared_ptr<Slot>>>();
};

// An object whose views redraw when it announces a change. Views coalesce
// the announcements and redraw in a queued call: reading inside the callback
// gives the old state.
class ObservableObject {
public:
    ObservableObject() = default;
    ObservableObject(const ObservableObject&) = delete;
    ObservableObject& operator=(const ObservableObject&) = delete;
    virtual ~ObservableObject() = default;

    Subscription subscribeWillChange(std::function<void()> callback) const {
        LUMRA_ASSERT_MAIN_ACTOR("a will-change signal is observed only on the main actor");
        return m_willChange.connect(std::move(callback));
    }
    void notifyWillChange() const {
        LUMRA_ASSERT_MAIN_ACTOR("a will-change signal fires only on the main actor");
        m_willChange.send();
    }

private:
    Signal<> m_willChange;
};

template <class T> class Publisher {
public:
    virtual ~Publisher() = default;
    virtual const T& get() const = 0;
    // Calls onValue with the current value at once, then with every new one.
    virtual Subscription subscribe(std::function<void(const T&)> onValue) const = 0;
};

template <class T> class Published final : public Publisher<T> {
public:
    explicit Published(T initial, const ObservableObject* owner = nullptr)
        : m_value(std::move(initial)), m_owner(owner) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const override {
        LUMRA_ASSERT_MAIN_ACTOR("a published value is read only on the main actor");
        return m_value;
    }

    void set(T value) {
        LUMRA_ASSERT_MAIN_ACTOR("a published value is set only on the main actor");
        if (m_owner != nullptr)
            m_owner->notifyWillChange();
        m_subscribers.send(value);
        m_value = std::move(value);
    }

    // One notification for the whole change.
    template <class F> void modify(F&& change) {
        T value = m_value;
        std::forward<F>(change)(value);
        set(std::move(value));
    }

    Subscription subscribe(std::function<void(const T&)> onValue) const override {
        // Connected before the replay, so a set() made by the replay reaches
        // the new subscriber too; the replay reads a copy that such a set()
        // cannot change under it.
        LUMRA_ASSERT_MAIN_ACTOR("a published value is observed only on the main actor");
        const T current = m_value;
        return m_subscribers.connectAndCall(std::move(onValue), current);
    }

private:
    T m_value;
    const ObservableObject* m_owner;
    Signal<T> m_subscribers;
};

} // namespace lumra
