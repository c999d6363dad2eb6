#include "cli/pdf_loading.h"

#include <exception>
#include <filesystem>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_facade.h"
#include "project/errors.h"

namespace qp::cli {

namespace {

void CheckIsFile(const std::string& file) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec))
    throw Error(file + " is a directory, not a PDF file");
  if (!std::filesystem::exists(file, ec)) throw Error(file + ": no such file");
}

std::string PasswordProblem(const std::string& password) {
  return password.empty() ? "the file is encrypted and needs a password (--password)"
                          : "wrong password";
}

// Runs `load`, turning the engine's errors into ones that name the file.
template <typename Load>
void NamingFile(const std::string& file, const std::string& password, Load load) {
  CheckIsFile(file);
  try {
    if (!load()) throw Error(file + ": " + PasswordProblem(password));
  } catch (const pdf::ExPasswordRequired&) {
    throw Error(file + ": " + PasswordProblem(password));
  } catch (const pdf::ExInvalidPassword&) {
    throw Error(file + ": " + PasswordProblem(password));
  } catch (const Error&) {
    throw;
  } catch (const std::exception& error) {
    throw Error(file + ": " + error.what());
  }
}

}  // namespace

void LoadPdfFile(pdf::TPDFDocument& document, const std::string& file,
                 const std::string& password) {
  document.SetPassword(password);
  NamingFile(file, password, [&] { return document.LoadFromFile(file); });
}

void LoadPdfFile(pdf::TPDDocument& document, const std::string& file, const std::string& password) {
  document.SetPassword(password);
  NamingFile(file, password, [&] {
    // Damaged files are repaired, as the facade repairs them.
    document.LoadDocument(file, true);
    return true;
  });
}

}  // namespace qp::cli
