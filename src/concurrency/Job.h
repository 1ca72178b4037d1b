// A move-only unit of work that executors run. Unlike std::function it can
// own move-only state (a continuation, a unique_ptr).
#pragma once

#include <concepts>
#include <memory>
#include <type_traits>
#include <utility>

namespace lumra {

class Job {
public:
    Job() = default;

    template <class F>
    requires(!std::same_as<std::decay_t<F>, Job> && std::invocable<std::decay_t<F>&>)
        Job(F&& f) // NOLINT(google-explicit-constructor): jobs are made from lambdas everywhere
        : m_impl(std::make_unique<Model<std::decay_t<F>>>(std::forward<F>(f))) {}

    Job(Job&&) noexcept = default;
    Job& operator=(Job&&) noexcept = default;

    void operator()() { m_impl->call(); }
    explicit operator bool() const noexcept { return m_impl != nullptr; }

private:
    struct Concept {
        virtual ~Concept() = default;
        virtual void call() = 0;
    };
    template <class F> struct Model final : Concept {
        template <class G> explicit Model(G&& g) : fn(std::forward<G>(g)) {}
        void call() override { fn(); }
        F fn;
    };
    std::unique_ptr<Concept> m_impl;
};

} // namespace lumra
