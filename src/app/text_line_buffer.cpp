#include "app/text_line_buffer.h"

#include <algorithm>
#include <cstring>

#include "app/text_reader.h"

int VisibleWidth(std::string_view text) {
  int width = static_cast<int>(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '~') continue;
    // "~~" shows one tilde; any other code pair (and a tilde that ends the text) nothing.
    const bool literal = i + 1 < text.size() && text[i + 1] == '~';
    width -= literal ? 1 : 2;
    ++i;
  }
  return width;
}

std::vector<std::pair<int, int>> LineSegments(std::string_view text, const std::uint8_t* attr) {
  const int length = static_cast<int>(text.size());
  std::vector<std::pair<int, int>> segments;
  int at = 0;
  if (attr)
    for (std::size_t i = 0; i < kLineAttrSize && attr[i] != 0 && at < length; ++i) {
      const int n = std::min<int>(attr[i], length - at);
      segments.emplace_back(at, n);
      at += n;
    }
  if (at < length || segments.empty()) segments.emplace_back(at, length - at);
  return segments;
}

TMFile::TMFile(std::string_view fileName, int capacity) : capacity_(std::max(capacity, 0)) {
  // A load that fails leaves the buffer without a table, which HasTable() tells its user.
  (void)Reset(fileName);
}

bool TMFile::Reset(std::string_view fileName) {
  lines_.clear();
  maxWidth_ = 0;
  hasTable_ = true;
  return fileName.empty() || Load(fileName);
}

bool TMFile::Load(std::string_view fileName, FileTildes tildes) {
  Clear();
  hasTable_ = true;
  encoding_ = TFileEncoding::kProgramText;
  unheldCharacters_ = 0;
  if (Read(fileName, tildes, true)) return true;
  lines_.clear();
  maxWidth_ = 0;
  hasTable_ = false;
  return false;
}

bool TMFile::Append(std::string_view fileName, FileTildes tildes) {
  hasTable_ = true;
  return Read(fileName, tildes, false);
}

bool TMFile::Read(std::string_view fileName, FileTildes tildes, bool fresh) {
  TTextReader file{std::string(fileName)};
  if (!file.IsOpen()) return false;
  // The file's lines as its bytes, as many as the buffer has room for and one more.
  const std::size_t room = static_cast<std::size_t>(std::max(capacity_ - LineCount(), 0));
  std::vector<std::string> raw;
  std::string line;
  bool pending = false;  // a line was started
  for (int ch = file.Get();; ch = file.Get()) {
    if (ch == EOF && !pending) break;
    if (ch == '\n' || ch == EOF) {
      raw.push_back(std::move(line));
      line.clear();
      pending = false;
      if (ch == EOF || raw.size() > room) break;
      continue;
    }
    pending = true;
    line.push_back(static_cast<char>(ch));
  }
  // A file a user views is read in its own encoding; the program's own lists are its text.
  TFileEncoding encoding = TFileEncoding::kCp1252;
  if (tildes == FileTildes::kLiteral) {
    encoding = UserFileEncoding(raw, file.MarkedUtf8());
    if (fresh) encoding_ = encoding;
  }
  for (std::string& bytes : raw) {
    if (LineCount() >= capacity_) return false;
    const std::string text = TextOfUserFile(bytes, encoding, &unheldCharacters_);
    line.clear();
    for (const char ch : text) {
      if (ch == '\t')
        line.append(2 - line.size() % 2, ' ');
      else if (ch == '~' && tildes == FileTildes::kLiteral)
        line += "~~";  // drawn and exported as the one tilde the file holds
      else
        line.push_back(ch);
    }
    AppendLine(line);
  }
  return !file.Error();
}

int TMFile::Clear() {
  lines_.clear();
  maxWidth_ = 0;
  return 1;
}

int TMFile::SetLine(int index, std::string_view text, const std::uint8_t* attr) {
  if (index < 0) index = LineCount();
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  const int parts = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (index > LineCount() || index + parts > capacity_) return 0;
  // Line index gets the text before the first line feed, index + 1 the next part, and so on,
  // each replacing the line there or added at the end.
  bool recompute = false;
  for (int k = 0; k < parts; ++k) {
    const std::size_t feed = text.find('\n');
    const std::string_view part = text.substr(0, feed);
    text = feed == std::string_view::npos ? std::string_view() : text.substr(feed + 1);
    TMLine line;
    line.text.assign(part);
    line.width = VisibleWidth(line.text);
    if (attr) std::memcpy(line.attr.data(), attr, kLineAttrSize);
    const auto at = static_cast<std::size_t>(index + k);
    if (at == lines_.size()) {
      lines_.push_back(std::move(line));
    } else {
      recompute = recompute || lines_[at].width >= maxWidth_;
      lines_[at] = std::move(line);
    }
    maxWidth_ = std::max(maxWidth_, lines_[at].width);
  }
  if (recompute) RecomputeMaxWidth();
  return 1;
}

int TMFile::InsertLine(int index, std::string_view text, const std::uint8_t* attr) {
  if (index < 0) index = LineCount();
  if (index > LineCount() || index >= capacity_) return 0;
  std::string_view t = text;
  if (!t.empty() && t.back() == '\n') t.remove_suffix(1);
  const int parts = static_cast<int>(std::count(t.begin(), t.end(), '\n')) + 1;
  if (LineCount() + parts > capacity_) return 0;
  lines_.insert(lines_.begin() + index, static_cast<std::size_t>(parts), TMLine{});
  return SetLine(index, text, attr);
}

int TMFile::DeleteLine(int index) {
  if (index < 0 || index >= LineCount()) return 0;
  const bool widest = lines_[static_cast<std::size_t>(index)].width >= maxWidth_;
  lines_.erase(lines_.begin() + index);
  if (widest) RecomputeMaxWidth();
  return 1;
}

void TMFile::RecomputeMaxWidth() {
  maxWidth_ = 0;
  for (const TMLine& l : lines_) maxWidth_ = std::max(maxWidth_, l.width);
}

const char* TMFile::GetLine(int index) const {
  if (index < 0 || index >= LineCount()) return nullptr;
  return lines_[static_cast<std::size_t>(index)].text.c_str();
}

const std::uint8_t* TMFile::GetLineAttr(int index) const {
  static const TLineAttr kNone{};
  if (index < 0 || index >= LineCount()) return kNone.data();
  return lines_[static_cast<std::size_t>(index)].attr.data();
}

int TMFile::GetLineLength(int index) const {
  if (index < 0 || index >= LineCount()) return 0;
  return static_cast<int>(lines_[static_cast<std::size_t>(index)].text.size());
}

int TMFile::GetLineWidth(int index) const {
  if (index < 0 || index >= LineCount()) return 0;
  return lines_[static_cast<std::size_t>(index)].width;
}
