#include "project/app_folders.h"

#include <cstdlib>
#include <filesystem>

#include "project/errors.h"

namespace qp {

namespace {

std::optional<std::string> Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string Absolute(const std::string& folder) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(folder, ec);
  return ec ? folder : absolute.lexically_normal().string();
}

}  // namespace

ApplicationFolderInputs ApplicationFolderInputs::FromProcess(
    std::optional<std::string> home_option) {
  ApplicationFolderInputs inputs;
  inputs.home_option = std::move(home_option);
  inputs.home_env = Env("QUARRIN_PLATES_HOME");
  std::error_code ec;
  auto executable = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    inputs.executable_folder = executable.parent_path().string();
    const std::filesystem::path folder = executable.parent_path();
    inputs.executable_folder_portable = std::filesystem::exists(folder / kSettingsFileName, ec) ||
                                        std::filesystem::exists(folder / "portable", ec);
  }
  inputs.xdg_data_home = Env("XDG_DATA_HOME");
  inputs.user_home = Env("HOME");
  return inputs;
}

std::string ApplicationFolder(const ApplicationFolderInputs& inputs) {
  if (inputs.home_option && !inputs.home_option->empty()) {
    return WithSlash(Absolute(*inputs.home_option));
  }
  if (inputs.home_env) return WithSlash(Absolute(*inputs.home_env));
  if (!inputs.executable_folder.empty() && inputs.executable_folder_portable) {
    return WithSlash(inputs.executable_folder);
  }
  std::string data_home = inputs.xdg_data_home && inputs.xdg_data_home->starts_with('/')
                              ? *inputs.xdg_data_home
                              : WithSlash(inputs.user_home.value_or("")) + ".local/share";
  return WithSlash(WithSlash(data_home) + "quarrin-plates");
}

std::optional<std::string> TakeHomeOption(std::vector<std::string>& args) {
  std::optional<std::string> home;
  for (size_t i = 0; i < args.size();) {
    if (args[i] == "--home" && i + 1 < args.size()) {
      home = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                 args.begin() + static_cast<std::ptrdiff_t>(i + 2));
    } else if (args[i].starts_with("--home=")) {
      home = args[i].substr(7);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return home;
}

void EnsureApplicationFolder(const ApplicationFolderInputs& inputs, const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path path = fs::path(folder).lexically_normal();
  if (fs::is_directory(path, ec)) return;
  const bool chosen = (inputs.home_option && !inputs.home_option->empty()) || inputs.home_env;
  const fs::path target = path.has_filename() ? path : path.parent_path();
  if (chosen) {
    if (!fs::is_directory(target.parent_path(), ec)) {
      throw Error("Cannot create the application folder " + target.string() + ": " +
                  target.parent_path().string() + " does not exist");
    }
    fs::create_directory(target, ec);
  } else {
    fs::create_directories(target, ec);
  }
  if (ec || !fs::is_directory(target)) {
    throw Error("Cannot create the application folder " + target.string() +
                (ec ? ": " + ec.message() : std::string()));
  }
}

void CreateFixedFolders(const std::string& application_folder) {
  for (const char* name : kFixedFolders) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(application_folder) / name;
    if (!std::filesystem::exists(folder, ec)) std::filesystem::create_directory(folder, ec);
  }
}

}  // namespace qp
