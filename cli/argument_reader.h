#pragma once
// A command's arguments read one way for every command: options by name
// first, then the positional arguments. Each mistake is a UsageError whose
// sentence names the option or the argument and the problem.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "cli/option_values.h"

namespace qp::cli {

class ArgumentReader {
 public:
  explicit ArgumentReader(CommandArgs args) : args_(std::move(args)) {}

  // True when `name` was given (taken out of the arguments).
  bool Flag(std::string_view name);
  // The value after `name`, or nothing when it was not given. Refuses a
  // missing value and an option given twice.
  std::optional<std::string> Value(std::string_view name);
  // Every value of an option that may be repeated, in order.
  std::vector<std::string> Values(std::string_view name);
  // The whole number after `name`, from `low` to `high`; `absent` when the
  // option was not given.
  int64_t Number(std::string_view name, int64_t low, int64_t high, int64_t absent);

  // What is left once every option was taken: the positional arguments
  // named by `names`, the first `required` of them needed. A leftover
  // argument that starts with "-" is an unknown option.
  std::vector<std::string> Positionals(std::initializer_list<std::string_view> names,
                                       size_t required);

 private:
  CommandArgs args_;
};

// Refuses two options that exclude each other when both were given.
void RefuseTogether(bool first, std::string_view firstName, bool second,
                    std::string_view secondName);

}  // namespace qp::cli
