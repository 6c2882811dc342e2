#pragma once
// The section data file: one cross-section's header settings, points and section-line
// vertices as CR LF text in code page 936, versions "ZRK3.0", "ZRK3.6" and "ZRK3.8".
//
// Reading is all or nothing: a line that does not match its format, a count that is not a
// number or a file that ends before its counts are met refuses the whole file, and the
// caller's data stay unchanged. Writing goes through a temporary file and a rename.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ruvo/section/doc_data.h"
#include "ruvo/section/edition.h"
#include "ruvo/section/records.h"

namespace ruvo {

inline constexpr std::string_view kMsgImportFailed = "文件导入失败";
inline constexpr std::string_view kMsgNotOurFormat = "非本软件数据格式文件";
inline constexpr std::string_view kMsgSaveFailed = "保存文件失败";

enum class SectionFileVersion { V30, V36, V38 };

struct SectionFileContent {
  SectionFileVersion version = SectionFileVersion::V38;
  double XYScale = 0.0;
  double XScale = 0.0;
  double YScale = 0.0;
  std::string strPmName;
  std::vector<CDataStruct> points;  // remark and layer without blanks and commas
  std::vector<CPntList> vertices;   // empty for version 3.0 or when not read
};

enum class DataFileStatus { Ok, CannotOpen, NotOurFormat, Damaged, CannotWrite };

struct DataFileResult {
  DataFileStatus status = DataFileStatus::Ok;
  std::string message;             // message-box text; empty on success
  std::vector<std::string> notes;  // command-line texts, each "\n命令:...\n"
  bool ok() const { return status == DataFileStatus::Ok; }
};

struct SectionReadOptions {
  // The export tool reads the points only; what follows them is not its business.
  bool readVertices = true;
};

DataFileResult ParseSectionData(std::string_view bytes, SectionFileContent& out,
                                SectionReadOptions options = {});
DataFileResult ReadSectionFile(const std::filesystem::path& file, SectionFileContent& out,
                               SectionReadOptions options = {});

// Loads a file into the document: header settings, the three lists (layers ascending,
// without duplicates and empty names) and bFromDrawing = 0. The document is unchanged
// unless the result is ok.
DataFileResult LoadSectionFile(CDocData& doc, const std::filesystem::path& file);

// What of the document no data file can hold (a number beyond 1e15 or not finite), e.g.
// "point 3"; empty when all of it can be written.
std::string UnwritableNumber(const CDocData& doc);

// The file's bytes for the document, always version "ZRK3.8". Blanks, commas and line
// breaks are removed from every remark and layer name first, in the document too.
std::string FormatSectionData(CDocData& doc, Edition edition);
DataFileResult SaveSectionFile(CDocData& doc, const std::filesystem::path& file, Edition edition);

}  // namespace ruvo
