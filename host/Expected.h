// How host/ and the programs on it say that a call failed: its result, or
// the one line that says why there is none ("PATH: reason"), which the
// caller reports or passes on. The kit keeps the platform's status_t.
#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

// Why a call failed: `return Failure{path + ": no such file"};`.
struct Failure {
	std::string why;
};

template <typename T> class [[nodiscard]] Expected {
public:
	Expected(T value) : result_(std::in_place_index<0>, std::move(value)) {}
	Expected(Failure failure) : result_(std::in_place_index<1>, std::move(failure.why)) {}
	// The result of a call whose type converts to T (a derived class's
	// pointer), or its failure.
	template <typename U>
	requires(!std::is_same_v<U, T> && std::is_convertible_v<U, T>) Expected(Expected<U>&& other)
	    : result_(other ? Result(std::in_place_index<0>, std::move(*other))
	                    : Result(std::in_place_index<1>, other.Error())) {}

	explicit operator bool() const { return result_.index() == 0; }
	// The result; only when there is one.
	T& operator*() { return std::get<0>(result_); }
	const T& operator*() const { return std::get<0>(result_); }
	T* operator->() { return &std::get<0>(result_); }
	const T* operator->() const { return &std::get<0>(result_); }
	// Why there is none; only when the call failed.
	const std::string& Error() const { return std::get<1>(result_); }

private:
	using Result = std::variant<T, std::string>;

	Result result_;
};

// A call that gives nothing but may fail.
template <> class [[nodiscard]] Expected<void> {
public:
	Expected() = default;
	Expected(Failure failure) : failed_(true), why_(std::move(failure.why)) {}

	explicit operator bool() const { return !failed_; }
	// Why it failed; empty when it did not.
	const std::string& Error() const { return why_; }

private:
	bool failed_ = false;
	std::string why_;
};
