// The D-Bus errors of the service interface (org.bcreader.Service1).
#ifndef BCREADER_TOOLS_CLI_SERVICE_ERRORS_H
#define BCREADER_TOOLS_CLI_SERVICE_ERRORS_H

namespace cli {

// No such symbology, option or output setting, or none on the fitted engine.
constexpr const char kErrorUnknownOption[] = "org.bcreader.Service1.Error.UnknownOption";
// A value the option does not take.
constexpr const char kErrorOutOfRange[] = "org.bcreader.Service1.Error.OutOfRange";
// ReadBarcodeData while a read runs.
constexpr const char kErrorBusy[] = "org.bcreader.Service1.Error.Busy";
// The library refused or the engine did not answer; the message says which.
constexpr const char kErrorFailed[] = "org.bcreader.Service1.Error.Failed";

}  // namespace cli

#endif  // BCREADER_TOOLS_CLI_SERVICE_ERRORS_H
