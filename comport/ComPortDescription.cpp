// The port's stored description: one "Name = value" line per stored
// property, in published order, read back the way an owner loads it.
#include <iterator>
#include <sstream>

#include "ComPort.h"

namespace velkor {

namespace {

const char* const kBaudNames[] = {
    "brDefault", "br50",    "br75",     "br110",   "br150",    "br300",    "br600",
    "br1200",    "br1800",  "br2000",   "br2400",  "br3600",   "br4800",   "br7200",
    "br9600",    "br10400", "br14400",  "br15625", "br19200",  "br28800",  "br38400",
    "br56000",   "br57600", "br115200", "br128000", "br256000", "brCustom"};
const char* const kDataBitsNames[] = {"dbDefault", "db4", "db5", "db6", "db7", "db8"};
const char* const kParityNames[] = {"paDefault", "paNone", "paOdd", "paEven", "paMark", "paSpace"};
const char* const kStopBitsNames[] = {"sbDefault", "sb1", "sb1_5", "sb2"};
const char* const kOptionNames[] = {"opCheckParity",      "opOutputCTSFlow",   "opOutputDSRFlow",
                                    "opDSRSensitivity",   "opTXContinueOnXOff", "opUseErrorChar",
                                    "opDiscardNullBytes", "opAbortOnError"};
const char* const kDtrNames[] = {"dcDefault", "dcDisable", "dcEnable", "dcHandshake"};
const char* const kRtsNames[] = {"rcDefault", "rcDisable", "rcEnable", "rcHandshake", "rcToggle"};
const char* const kXOnXOffNames[] = {"xcDefault", "xcDisable", "xcInput", "xcOutput",
                                     "xcInputOutput"};
const char* const kPriorityClassNames[] = {"pcDefault", "pcIdle", "pcNormal", "pcHigh",
                                           "pcRealTime"};
const char* const kThreadPriorityNames[] = {"tpIdle",   "tpLowest",  "tpLower",       "tpNormal",
                                            "tpHigher", "tpHighest", "tpTimeCritical"};
#define VELKOR_HANDLER_NAME(Type, Name) #Name,
#define VELKOR_EVENT_HANDLER_NAME(Type, Name, Bit, Rank) #Name,
const char* const kHandlerNames[] = {VELKOR_COM_HANDLERS(VELKOR_HANDLER_NAME, VELKOR_EVENT_HANDLER_NAME)};
#undef VELKOR_HANDLER_NAME
#undef VELKOR_EVENT_HANDLER_NAME

static_assert(std::size(kBaudNames) == brCustom + 1);
static_assert(std::size(kDataBitsNames) == db8 + 1);
static_assert(std::size(kParityNames) == paSpace + 1);
static_assert(std::size(kStopBitsNames) == sb2 + 1);
static_assert(std::size(kOptionNames) == opAbortOnError + 1);
static_assert(std::size(kDtrNames) == dcHandshake + 1);
static_assert(std::size(kRtsNames) == rcToggle + 1);
static_assert(std::size(kXOnXOffNames) == xcInputOutput + 1);
static_assert(std::size(kPriorityClassNames) == pcRealTime + 1);
static_assert(std::size(kThreadPriorityNames) == tpTimeCritical + 1);

template <std::size_t N>
int IndexOf(const char* const (&names)[N], const std::string& name) {
  for (std::size_t i = 0; i < N; ++i)
    if (name == names[i]) return static_cast<int>(i);
  throw Exception("Invalid property value: " + name);
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    q += c;
    if (c == '\'') q += '\'';
  }
  return q + "'";
}

std::string Unquote(const std::string& v) {
  if (v.size() < 2 || v.front() != '\'' || v.back() != '\'')
    throw Exception("Invalid property value: " + v);
  std::string s;
  for (std::size_t i = 1; i + 1 < v.size(); ++i) {
    s += v[i];
    if (v[i] == '\'') ++i;
  }
  return s;
}

std::string CharValue(char c) { return "#" + std::to_string(static_cast<unsigned char>(c)); }

char ParseChar(const std::string& v) {
  if (v.size() < 2 || v[0] != '#') throw Exception("Invalid property value: " + v);
  return static_cast<char>(std::stoi(v.substr(1)));
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

}  // namespace

std::string TCustomComPort::WriteDescription(
    const std::function<std::string(const std::string&)>& handlerName) const {
  std::ostringstream out;
  auto line = [&](const std::string& name, const std::string& value) {
    out << name << " = " << value << '\n';
  };
  line("Active", Active() ? "True" : "False");
  if (FBaudRate != brDefault) line("BaudRate", kBaudNames[FBaudRate]);
  if (FBufferSizes->Input() != 4096) line("BufferSizes.Input", std::to_string(FBufferSizes->Input()));
  if (FBufferSizes->Output() != 2048)
    line("BufferSizes.Output", std::to_string(FBufferSizes->Output()));
  if (FCharacters->XOn() != 17) line("Characters.XOn", CharValue(FCharacters->XOn()));
  if (FCharacters->XOff() != 19) line("Characters.XOff", CharValue(FCharacters->XOff()));
  if (FCharacters->Error() != 0) line("Characters.Error", CharValue(FCharacters->Error()));
  if (FCharacters->Eof() != 0) line("Characters.Eof", CharValue(FCharacters->Eof()));
  if (FCharacters->Event() != 0) line("Characters.Event", CharValue(FCharacters->Event()));
  if (FBaudRate == brCustom) line("CustomBaudRate", std::to_string(FCustomBaudRate));
  if (FDataBits != dbDefault) line("DataBits", kDataBitsNames[FDataBits]);
  if (!FDeviceName.empty()) line("DeviceName", Quote(FDeviceName));
  if (FFlowControl->DTR() != dcDefault) line("FlowControl.DTR", kDtrNames[FFlowControl->DTR()]);
  if (FFlowControl->RTS() != rcDefault) line("FlowControl.RTS", kRtsNames[FFlowControl->RTS()]);
  if (FFlowControl->XOnXOff() != xcDefault)
    line("FlowControl.XOnXOff", kXOnXOffNames[FFlowControl->XOnXOff()]);
  if (FFlowControl->XOnLimit() != 0)
    line("FlowControl.XOnLimit", std::to_string(FFlowControl->XOnLimit()));
  if (FFlowControl->XOffLimit() != 0)
    line("FlowControl.XOffLimit", std::to_string(FFlowControl->XOffLimit()));
  std::string options;
  for (unsigned o = opCheckParity; o <= opAbortOnError; ++o) {
    if (!FOptions.Contains(static_cast<TOption>(o))) continue;
    options += (options.empty() ? "" : ", ") + std::string(kOptionNames[o]);
  }
  line("Options", "[" + options + "]");
  if (FParity != paDefault) line("Parity", kParityNames[FParity]);
  if (FPriorityClass != pcDefault) line("PriorityClass", kPriorityClassNames[FPriorityClass]);
  if (FStopBits != sbDefault) line("StopBits", kStopBitsNames[FStopBits]);
  if (!FSynchronizeEvents) line("SynchronizeEvents", "False");
  if (FThreadPriority != tpTimeCritical)
    line("ThreadPriority", kThreadPriorityNames[FThreadPriority]);
  const std::pair<const char*, std::int32_t> timeouts[] = {
      {"Timeouts.ReadInterval", FTimeouts->ReadInterval()},
      {"Timeouts.ReadMultiplier", FTimeouts->ReadMultiplier()},
      {"Timeouts.ReadConstant", FTimeouts->ReadConstant()},
      {"Timeouts.WriteMultiplier", FTimeouts->WriteMultiplier()},
      {"Timeouts.WriteConstant", FTimeouts->WriteConstant()}};
  for (const auto& [name, value] : timeouts)
    if (value != 0) line(name, std::to_string(value));

#define VELKOR_HANDLER_ASSIGNED(Type, Name) F##Name.Assigned(),
#define VELKOR_EVENT_HANDLER_ASSIGNED(Type, Name, Bit, Rank) F##Name.Assigned(),
  const bool assigned[] = {VELKOR_COM_HANDLERS(VELKOR_HANDLER_ASSIGNED, VELKOR_EVENT_HANDLER_ASSIGNED)};
#undef VELKOR_HANDLER_ASSIGNED
#undef VELKOR_EVENT_HANDLER_ASSIGNED
  for (std::size_t i = 0; i < std::size(kHandlerNames); ++i) {
    if (!assigned[i]) continue;
    const std::string method = handlerName ? handlerName(kHandlerNames[i]) : std::string();
    line(kHandlerNames[i], method.empty() ? std::string(kHandlerNames[i]) : method);
  }
  return out.str();
}

void TCustomComPort::ReadDescription(
    const std::string& text,
    const std::function<void(const std::string&, const std::string&)>& bindHandler) {
  BeginLoading();
  try {
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
      const auto eq = raw.find('=');
      if (eq == std::string::npos) continue;
      const std::string name = Trim(raw.substr(0, eq));
      const std::string v = Trim(raw.substr(eq + 1));
      if (name == "Active") SetActive(v == "True");
      else if (name == "BaudRate") SetBaudRate(static_cast<TBaudRate>(IndexOf(kBaudNames, v)));
      else if (name == "BufferSizes.Input") FBufferSizes->SetInput(std::stoi(v));
      else if (name == "BufferSizes.Output") FBufferSizes->SetOutput(std::stoi(v));
      else if (name == "Characters.XOn") FCharacters->SetXOn(ParseChar(v));
      else if (name == "Characters.XOff") FCharacters->SetXOff(ParseChar(v));
      else if (name == "Characters.Error") FCharacters->SetError(ParseChar(v));
      else if (name == "Characters.Eof") FCharacters->SetEof(ParseChar(v));
      else if (name == "Characters.Event") FCharacters->SetEvent(ParseChar(v));
      else if (name == "CustomBaudRate") SetCustomBaudRate(std::stoi(v));
      else if (name == "DataBits") SetDataBits(static_cast<TDataBits>(IndexOf(kDataBitsNames, v)));
      else if (name == "DeviceName") SetDeviceName(Unquote(v));
      else if (name == "FlowControl.DTR")
        FFlowControl->SetDTR(static_cast<TDTRControl>(IndexOf(kDtrNames, v)));
      else if (name == "FlowControl.RTS")
        FFlowControl->SetRTS(static_cast<TRTSControl>(IndexOf(kRtsNames, v)));
      else if (name == "FlowControl.XOnXOff")
        FFlowControl->SetXOnXOff(static_cast<TXOnXOffControl>(IndexOf(kXOnXOffNames, v)));
      else if (name == "FlowControl.XOnLimit")
        FFlowControl->SetXOnLimit(static_cast<std::uint16_t>(std::stoi(v)));
      else if (name == "FlowControl.XOffLimit")
        FFlowControl->SetXOffLimit(static_cast<std::uint16_t>(std::stoi(v)));
      else if (name == "Options") {
        if (v.size() < 2 || v.front() != '[' || v.back() != ']')
          throw Exception("Invalid property value: " + v);
        TOptions options;
        std::istringstream items(v.substr(1, v.size() - 2));
        std::string item;
        while (std::getline(items, item, ','))
          if (!Trim(item).empty()) options.Include(static_cast<TOption>(IndexOf(kOptionNames, Trim(item))));
        SetOptions(options);
      } else if (name == "Parity") SetParity(static_cast<TParity>(IndexOf(kParityNames, v)));
      else if (name == "PriorityClass")
        SetPriorityClass(static_cast<TPriorityClass>(IndexOf(kPriorityClassNames, v)));
      else if (name == "StopBits") SetStopBits(static_cast<TStopBits>(IndexOf(kStopBitsNames, v)));
      else if (name == "SynchronizeEvents") SetSynchronizeEvents(v == "True");
      else if (name == "ThreadPriority")
        SetThreadPriority(static_cast<TThreadPriority>(IndexOf(kThreadPriorityNames, v)));
      else if (name == "Timeouts.ReadInterval") FTimeouts->SetReadInterval(std::stoi(v));
      else if (name == "Timeouts.ReadMultiplier") FTimeouts->SetReadMultiplier(std::stoi(v));
      else if (name == "Timeouts.ReadConstant") FTimeouts->SetReadConstant(std::stoi(v));
      else if (name == "Timeouts.WriteMultiplier") FTimeouts->SetWriteMultiplier(std::stoi(v));
      else if (name == "Timeouts.WriteConstant") FTimeouts->SetWriteConstant(std::stoi(v));
      else {
        IndexOf(kHandlerNames, name);  // anything else is not a property of ours
        if (bindHandler) bindHandler(name, v);
      }
    }
  } catch (...) {
    TComponent::FinishLoading();
    throw;
  }
  FinishLoading();
}

}  // namespace velkor
