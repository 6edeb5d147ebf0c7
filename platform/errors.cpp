#include "platform/errors.h"

namespace platform {
namespace {

// The setup program shows these texts; they stay as they are.
const char* ActionText(IoAction action) {
  switch (action) {
    case IoAction::Open: return "Erro abrindo";
    case IoAction::Create: return "Erro criando";
    case IoAction::Read: return "Erro lendo";
    case IoAction::Write: return "Erro gravando";
    case IoAction::Seek: return "Erro posicionando em";
    case IoAction::Close: return "Erro fechando";
    case IoAction::Rename: return "Erro renomeando";
  }
  return "Erro";
}

const char* FaultText(IoFault fault) {
  switch (fault) {
    case IoFault::EndOfFile: return "fim do arquivo";
    case IoFault::DiskFull: return "disco cheio";
    case IoFault::NoTempName: return "sem nome tempor\xE1rio";
    case IoFault::System: break;
  }
  return "erro desconhecido";
}

}  // namespace

void RaiseLastOSError(IoAction action, const std::string& path) {
  const int code = LastErrorCode();
  // A failure the system gave no code for must not read "Success".
  const std::string reason = code ? SystemMessage(code) : FaultText(IoFault::System);
  throw EInOutError(std::string(ActionText(action)) + " " + path + ": " + reason, code, action,
                    path, IoFault::System);
}

void RaiseIOError(IoAction action, const std::string& path, IoFault fault) {
  const int code = fault == IoFault::DiskFull ? LastErrorCode() : 0;
  throw EInOutError(std::string(ActionText(action)) + " " + path + ": " + FaultText(fault), code,
                    action, path, fault);
}

}  // namespace platform
