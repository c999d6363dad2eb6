#include "project/app_folders.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

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
    inputs.executable_folder_writable = access(inputs.executable_folder.c_str(), W_OK) == 0;
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
  if (!inputs.executable_folder.empty() && inputs.executable_folder_writable) {
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

void CreateFixedFolders(const std::string& application_folder) {
  for (const char* name : kFixedFolders) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(application_folder) / name;
    if (!std::filesystem::exists(folder, ec)) std::filesystem::create_directory(folder, ec);
  }
}

}  // namespace qp
