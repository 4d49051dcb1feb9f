#pragma once
// Sets a variable for the length of a scope and puts the old value back when
// the scope ends, also by an early return or an exception: the flags that
// suspend linking while a program loads, and the depth of nested calls.
template <typename T>
class ScopedValue {
 public:
  ScopedValue(T& variable, T value) : variable(variable), previous(variable) { variable = value; }
  ~ScopedValue() { variable = previous; }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  T& variable;
  T previous;
};
