// Every kind of failure of the archive engine, the compressor and the file layer as pck words
// it, in English and, with the Portuguese catalogue, in Portuguese; the exceptions keep the
// setup program's texts byte for byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/lzh.h"
#include "codecs/lzrw1.h"
#include "codecs/lzrw1kh.h"
#include "pack/pack_lz.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "tests/codecs/codec_test_util.h"
#include "tools/pck/failures.h"

namespace {

struct Case {
  std::exception_ptr failure;
  std::string setupText;            // the exception's own message, as the setup program shows it
  std::string file;                 // the file pck names, Windows form
  std::string english, portuguese;  // what pck says of it (the start, where the system adds)
};

template <class Raise>
std::exception_ptr Raised(Raise raise) {
  try {
    raise();
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

template <class E>
std::exception_ptr Made(const E& e) {
  return std::make_exception_ptr(e);
}

using K = ELzrw1Exception::TKind;

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {Made(EPackPassword()), "Senha inv\xE1lida", "", "wrong password", "senha errada"},
      {Made(EPackCorrupt("SUB\\A.TXT")), "Dados corrompidos: SUB\\A.TXT", "SUB\\A.TXT",
       "damaged: its data or record does not match its checksum",
       "danificado: seus dados ou seu registro n\u00e3o conferem"},
      {Made(EPackReadError()), "Erro lendo dados", "", "cannot read the archive's data",
       "n\u00e3o \u00e9 poss\u00edvel ler os dados do pacote"},
      {Made(EPackVolumeEnds("M\\DISK1\\S.PCK")), "Erro lendo dados", "M\\DISK1\\S.PCK",
       "this is one disk of a set, and an entry goes on on the next disk: read the whole set "
       "with --media M S.PCK",
       "este \u00e9 um disco de um conjunto, e uma entrada continua no disco seguinte: leia o "
       "conjunto inteiro com --media M S.PCK"},
      {Made(EPackVolumeEnds("S.PCK")), "Erro lendo dados", "S.PCK",
       "an entry goes on past the end of this file: if it is the first disk of a set, give the "
       "folder that holds DISK1, DISK2, ... with --media DIR; otherwise the archive is cut short",
       "uma entrada continua al\u00e9m do fim deste arquivo: se for o primeiro disco"},
      {Made(EPackEntryName("..\\X")), "Nome de arquivo inv\xE1lido: ..\\X", "..\\X",
       "refused: the entry's name would leave the target folder", "recusado: o nome da entrada"},
      {Made(EPackFileName()), "PackFileName inv\xE1lido", "", "no archive named",
       "nenhum pacote indicado"},
      {Made(EAbort()), "Opera\xE7\xE3o cancelada", "", "interrupted", "interrompido"},
      {Raised([] {
         platform::RaiseIOError(platform::IoAction::Read, "A.PCK", platform::IoFault::EndOfFile);
       }),
       "Erro lendo A.PCK: fim do arquivo", "A.PCK",
       "cannot read: the file ends too soon (it is cut short)",
       "n\u00e3o \u00e9 poss\u00edvel ler: o arquivo termina cedo demais"},
      {Made(ELzrw1Exception(K::Corrupt, "Lzrw1/KH : Sizes do not match !! Corruption", "A.TXT")),
       "Lzrw1/KH : Sizes do not match !! Corruption", "A.TXT",
       "damaged: its data does not expand to the size recorded",
       "danificado: seus dados n\u00e3o se expandem"},
      {Made(ELzrw1Exception(K::ReadError, "Lzrw1 : ERROR READING FROM A.Z !", "A.Z")),
       "Lzrw1 : ERROR READING FROM A.Z !", "A.Z",
       "the compressed data ends too soon (it is cut short)",
       "os dados comprimidos terminam cedo demais"},
      {Made(ELzrw1Exception(K::TooLarge, "Lzrw1 : A : FILE TOO LARGE (2 GB OR MORE) !", "A")),
       "Lzrw1 : A : FILE TOO LARGE (2 GB OR MORE) !", "A",
       "too large: a compressed file holds less than 2 GB", "grande demais"},
      {Made(ELzrw1Exception(K::Changed, "Lzrw1 : A changed while it was compressed !", "A")),
       "Lzrw1 : A changed while it was compressed !", "A",
       "changed while it was being compressed; run again", "mudou enquanto era comprimido"},
      {Made(ELzrw1Exception(K::NoMemory, "Lzrw1 : no memory for I/O Buffers !!")),
       "Lzrw1 : no memory for I/O Buffers !!", "", "not enough memory",
       "mem\u00f3ria insuficiente"},
      {Made(ELzrw1KHCompressor(ELzrw1KHCompressor::TKind::Damaged, "LZRW1KH : damaged block")),
       "LZRW1KH : damaged block", "", "damaged: a block of its data cannot be expanded",
       "danificado: um bloco"},
      {Made(ElzhException("LZH : Cannot get memory for dictionary tables")),
       "LZH : Cannot get memory for dictionary tables", "", "not enough memory",
       "mem\u00f3ria insuficiente"},
  };
#ifndef _WIN32
  // A write that fell short keeps the system's reason: a size limit is no full disk.
  const auto shortWrite = [](int error) {
    return Raised([error] {
      errno = error;
      platform::RaiseIOError(platform::IoAction::Write, "C:\\OUT.BIN", platform::IoFault::DiskFull);
    });
  };
  cases.push_back(
      {shortWrite(EFBIG), "Erro gravando C:\\OUT.BIN: disco cheio", "C:\\OUT.BIN",
       "cannot write: the file would grow past the size limit for files",
       "n\u00e3o \u00e9 poss\u00edvel gravar: o arquivo passaria do limite de tamanho"});
  cases.push_back({shortWrite(ENOSPC), "Erro gravando C:\\OUT.BIN: disco cheio", "C:\\OUT.BIN",
                   "cannot write: the disk is full",
                   "n\u00e3o \u00e9 poss\u00edvel gravar: o disco est\u00e1 cheio"});
#endif
  return cases;
}

std::string Text(const Case& c) {
  try {
    std::rethrow_exception(c.failure);
  } catch (const std::exception& e) {
    const pck::Problem problem = pck::Describe(e);
    EXPECT_EQ(problem.file, c.file) << c.setupText;
    EXPECT_EQ(e.what(), c.setupText);
    return problem.text;
  }
  return std::string();
}

// The compressor and the engine set the kind where they fail, not only where a test makes one.
std::vector<Case> Provoked(codec_test::TempDir& dir) {
  dir.Write("plain.txt", codec_test::Bytes(20, 'x'));
  const std::string plain = platform::WindowsPath(dir.Host("plain.txt").string());
  std::vector<Case> cases;
  Tlzrw1 codec;
  codec.InputFile = plain;
  codec.OutputFile = platform::WindowsPath(dir.Host("out").string());
  try {
    codec.Decompress();
  } catch (...) {
    cases.push_back({std::current_exception(), "Lzrw1 : " + plain + " : NOT A COMPRESSED FILE !",
                     plain, "not a compressed file", "n\u00e3o \u00e9 um arquivo comprimido"});
  }
  TPackLz pack;
  pack.PackFileName = plain;
  EXPECT_FALSE(pack.Process(3));
  cases.push_back({pack.ErrorException(), "N\xE3o \xE9 um pacote: " + plain, plain,
                   "not a .PCK archive", "n\u00e3o \u00e9 um pacote .PCK"});
  EXPECT_EQ(pack.ErrorMessage(), "N\xE3o \xE9 um pacote: " + plain);
  return cases;
}

TEST(PckFailures, EachKindIsWordedInTheUsersLanguage) {
  codec_test::TempDir dir;
  std::vector<Case> cases = Cases();
  for (Case& c : Provoked(dir)) cases.push_back(std::move(c));
  ASSERT_EQ(cases.size(), Cases().size() + 2);  // both provoked
  for (const Case& c : cases) EXPECT_EQ(Text(c).rfind(c.english, 0), 0u) << Text(c);

    // Portuguese as a user gets it: the locale (or, on Windows, the interface language the
    // test is started with) and the catalogue beside the program.
#ifndef _WIN32
  setenv("LC_ALL", "pt_BR.UTF-8", 1);
  unsetenv("LANGUAGE");
#endif
  platform::OpenMessages("pck");
  for (const Case& c : cases) {
#ifdef _WIN32
    const std::string expected = platform::AnsiFromUtf8(c.portuguese);  // the ANSI code page
#else
    const std::string expected = c.portuguese;
#endif
    const std::string text = Text(c);
    EXPECT_EQ(text.rfind(expected, 0), 0u)
        << "[" << text << "] for " << c.english << " (is the pt_BR.UTF-8 locale made? "
        << "scripts/setup-deps makes it)";
  }
}

}  // namespace
