// read_loop: synchronous reads, each printed as its output record with a code identifier and a
// length field, until a read brings nothing.
#include <cstdint>
#include <iostream>
#include <vector>

#include "bcreader.h"

int main() {
  if (int32_t result = InitReader(); result != 1) {
    std::cerr << "InitReader: " << result << "\n";
    return 1;
  }
  int32_t on = 1;
  DataOutputSettings('w', nullptr, nullptr, nullptr, &on, &on, nullptr, 0, nullptr, 0);
  std::vector<char> data(8192);
  for (;;) {
    uint32_t type = 0;
    int32_t length = ReadBarcodeData(&type, data.data(), static_cast<int32_t>(data.size()));
    if (length <= 0) break;
    std::vector<char> record(data.size() + 64);
    GetOutputRecord(7, record.data(), static_cast<int32_t>(record.size()));
    std::cout << record.data() << "\n";
  }
  return 0;
}
