#include "cli/argument_reader.h"

#include <algorithm>

#include "cli/option_values.h"

namespace qp::cli {

bool ArgumentReader::Flag(std::string_view name) {
  return std::erase(args_, name) > 0;
}

std::optional<std::string> ArgumentReader::Value(std::string_view name) {
  std::vector<std::string> values = Values(name);
  if (values.size() > 1) throw UsageError(std::string(name) + " is given twice");
  if (values.empty()) return std::nullopt;
  return std::move(values.front());
}

int64_t ArgumentReader::Number(std::string_view name, int64_t low, int64_t high, int64_t absent) {
  const std::optional<std::string> text = Value(name);
  return text ? WholeNumberOption(name, *text, low, high) : absent;
}

std::vector<std::string> ArgumentReader::Values(std::string_view name) {
  std::vector<std::string> values;
  for (size_t i = 0; i < args_.size();) {
    if (args_[i] != name) {
      ++i;
      continue;
    }
    if (i + 1 == args_.size()) throw UsageError(std::string(name) + " needs a value");
    values.push_back(args_[i + 1]);
    args_.erase(args_.begin() + static_cast<std::ptrdiff_t>(i),
                args_.begin() + static_cast<std::ptrdiff_t>(i + 2));
  }
  return values;
}

std::vector<std::string> ArgumentReader::Positionals(std::initializer_list<std::string_view> names,
                                                     size_t required) {
  for (const std::string& arg : args_) {
    // "-" alone is standard input or output, never an option.
    if (arg.size() > 1 && arg.front() == '-') throw UsageError("unknown option " + arg);
  }
  if (args_.size() > names.size()) {
    throw UsageError("unexpected argument '" + args_[names.size()] + "'");
  }
  if (args_.size() < required) {
    throw UsageError("no " + std::string(names.begin()[args_.size()]) + " given");
  }
  return args_;
}

void RefuseTogether(bool first, std::string_view firstName, bool second,
                    std::string_view secondName) {
  if (first && second) {
    throw UsageError(std::string(firstName) + " and " + std::string(secondName) +
                     " exclude each other");
  }
}

}  // namespace qp::cli
