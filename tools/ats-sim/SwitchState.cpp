#include "tools/ats-sim/SwitchState.h"

#include "config/Parameters.h"

namespace kovrin::sim {

SwitchState DefaultSwitchState()
{
    SwitchState s;
    s.identification.atsCode = "SIM0000000000001";
    s.identification.atsModel = "ATS-SIM 32A";
    s.identification.firmwareVersion = "V1.00";
    s.identification.ioConfiguration = '1';
    s.identification.atsType = '5';
    s.identification.inputSocket = '1';
    s.identification.outputSocket = '1';
    s.nominal = {32, 230, 500};
    for (const ParameterInfo& p : kParameters)
        s.words[p.word] = p.factoryDefault;
    return s;
}

void LoadFromRecord(SwitchState& state, const ConfigRecord& record)
{
    Identification& id = state.identification;
    id.atsCode = record.text(field::AtsCode).substr(0, kAtsCodeMaxChars);
    id.atsModel = record.text(field::AtsModel).substr(0, kAtsModelMaxChars);
    id.firmwareVersion = record.text(field::FirmwareVersion).substr(0, kFirmwareMaxChars);
    id.ioConfiguration = record.code(field::IoConfiguration);
    id.atsType = record.code(field::AtsType);
    id.inputSocket = record.code(field::InputSocket);
    id.outputSocket = record.code(field::OutputSocket);
    for (int n = 0; n < 256; ++n)
        state.words[n] = record.word(n);
}

ConfigRecord ToRecord(const SwitchState& state)
{
    ConfigRecord r;
    const Identification& id = state.identification;
    r.setText(field::AtsCode, id.atsCode);
    r.setText(field::AtsModel, id.atsModel);
    r.setText(field::FirmwareVersion, id.firmwareVersion);
    r.setCode(field::IoConfiguration, id.ioConfiguration);
    r.setCode(field::AtsType, id.atsType);
    r.setCode(field::InputSocket, id.inputSocket);
    r.setCode(field::OutputSocket, id.outputSocket);
    r.setNumber(field::NominalCurrent, state.nominal.current);
    r.setNumber(field::NominalVoltage, state.nominal.voltage);
    r.setNumber(field::NominalFrequency, static_cast<std::uint16_t>(state.nominal.frequencyTenths / 10));
    std::uint16_t sum = 0;
    for (int n = 0; n < 256; ++n) {
        r.setWord(n, state.words[n]);
        if (n < kParameterWordCount)
            sum = static_cast<std::uint16_t>(sum + (state.words[n] >> 8) + (state.words[n] & 0xFF));
    }
    r.setWord(kRecordSumWord, sum);
    return r;
}

} // namespace kovrin::sim
