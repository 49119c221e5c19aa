#pragma once
// Keeps the library that holds this code loaded while the pin lives. The reader thread
// runs under one: a client that unloads the library without closing it first must not
// leave the reader running in unmapped code.
namespace ubrix {

class ModulePin {
public:
    ModulePin();
    ~ModulePin();
    ModulePin(const ModulePin&) = delete;
    ModulePin& operator=(const ModulePin&) = delete;

private:
    void* module_ = nullptr;
};

} // namespace ubrix
