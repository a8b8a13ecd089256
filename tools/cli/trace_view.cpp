#include "trace_view.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "exit_codes.h"

namespace cli {

namespace {

struct OpcodeName {
  uint8_t opcode;
  const char *fromHost;
  const char *fromEngine;
};

// The engine protocol's opcodes as the trace reader names them.
const OpcodeName kOpcodes[] = {
    {0xA3, "revision request", "revision request"},
    {0xA4, "revision reply", "revision reply"},
    {0xC6, "parameter send", "parameter reply"},
    {0xC7, "parameter request", "parameter request"},
    {0xD0, "ack", "ack"},
    {0xD1, "nak", "nak"},
    {0xE4, "start decode", "start decode"},
    {0xE5, "stop decode", "stop decode"},
    {0xF3, "decode data", "decode data"},
};

struct TraceRecord {
  uint64_t ms = 0;
  uint32_t pid = 0;
  std::string direction;
  uint32_t speed = 0;
  std::vector<uint8_t> bytes;
  std::string note;
};

bool ParseRecord(const std::string &line, TraceRecord *record) {
  const size_t bar = line.find(" |");
  if (bar == std::string::npos) return false;
  std::istringstream head(line.substr(0, bar));
  if (!(head >> record->ms >> record->pid >> record->direction >> record->speed)) return false;
  if (record->direction != "tx" && record->direction != "rx" && record->direction != "--") {
    return false;
  }
  std::string hex;
  while (head >> hex) {
    if (hex.size() != 2) return false;
    char *end = nullptr;
    const unsigned long byte = std::strtoul(hex.c_str(), &end, 16);
    if (*end != '\0') return false;
    record->bytes.push_back(static_cast<uint8_t>(byte));
  }
  record->note = line.size() > bar + 3 ? line.substr(bar + 3) : "";
  return true;
}

// What the bytes are: the opcode's name, and whether the checksum the length leaves room for
// matches (two's complement of the 16-bit byte sum, high byte first).
std::string FrameName(const TraceRecord &record) {
  const std::vector<uint8_t> &b = record.bytes;
  if (b.empty()) return "";
  if (b.size() == 1 && b[0] == 0x00) return "wake";
  if (b.size() < 2) return "fragment";
  std::string name = "opcode " + std::to_string(b[1]);
  for (const OpcodeName &row : kOpcodes) {
    if (row.opcode == b[1]) name = record.direction == "tx" ? row.fromHost : row.fromEngine;
  }
  if (b[1] == 0xD0 && b.size() > 3 && b[3] == 0x03) name = "continuation ack";
  const size_t length = b[0];
  if (b.size() == length + 2) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum += b[i];
    const uint16_t check = static_cast<uint16_t>(0x10000 - (sum & 0xFFFF));
    const bool good = b[length] == (check >> 8) && b[length + 1] == (check & 0xFF);
    name += good ? ", checksum good" : ", checksum BAD";
  } else if (b.size() != length) {
    name += ", " + std::to_string(b.size()) + " bytes for length " + std::to_string(length);
  }
  return name;
}

}  // namespace

std::string DescribeTraceLine(const std::string &line, uint64_t startMs) {
  TraceRecord record;
  if (!ParseRecord(line, &record)) return "? " + line;
  char head[96];
  std::snprintf(head, sizeof head, "%8.3f s %6u %s %6u  ",
                static_cast<double>(record.ms >= startMs ? record.ms - startMs : 0) / 1000.0,
                record.pid, record.direction.c_str(), record.speed);
  std::string text = head;
  const std::string name = FrameName(record);
  text += name;
  if (!record.bytes.empty()) {
    text += " [";
    char cell[4];
    for (size_t i = 0; i < record.bytes.size(); ++i) {
      std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X", record.bytes[i]);
      text += cell;
    }
    text += "]";
  }
  if (!record.note.empty() && record.note != name) {
    text += name.empty() ? record.note : " (" + record.note + ")";
  }
  return text;
}

bool PrintTrace(const std::string &file, uint32_t pid, std::FILE *out) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  uint64_t start = 0;
  bool first = true;
  while (std::getline(in, line)) {
    TraceRecord record;
    const bool parsed = ParseRecord(line, &record);
    if (parsed && pid != 0 && record.pid != pid) continue;
    if (parsed && first) {
      start = record.ms;
      first = false;
    }
    std::fprintf(out, "%s\n", DescribeTraceLine(line, start).c_str());
  }
  return true;
}

int RunTrace(const Arguments &args) {
  if (args.positionals.size() != 1) {
    std::fprintf(stderr, "bcreader: trace takes one file\nTry 'bcreader trace --help'.\n");
    return kExitUsage;
  }
  if (!PrintTrace(args.positionals[0], 0, stdout)) {
    std::fprintf(stderr, "bcreader: cannot read %s\n", args.positionals[0].c_str());
    return kExitReader;
  }
  return kExitSuccess;
}

}  // namespace cli
