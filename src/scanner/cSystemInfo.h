#pragma once
// A snapshot of the machine taken once, when the object is made: memory, the Windows version and
// its name, the processor family and the browser shell library's version.

#include <cstdint>
#include <string>

namespace corvane {

class cSystemInfo {
public:
    /// Takes the snapshot (CollectSystemInfo).
    cSystemInfo();

    /// Available user-mode virtual address space in KiB.
    std::int32_t VirtualMemoryFree() const;
    /// Total user-mode virtual address space in KiB.
    std::int32_t VirtualMemoryTotal() const { return virtualMemoryTotal_; }
    /// Available physical memory in KiB.
    std::int32_t MemoryFree() const { return memoryFree_; }
    /// Total physical memory in KiB.
    std::int32_t MemoryTotal() const { return memoryTotal_; }
    /// major "." minor " (Build " build ")".
    std::string WinVersion() const { return winVersion_; }
    /// The Windows name, with its trailing space where the table gives one.
    std::string WinName() const { return winName_; }
    /// The processor family's name.
    std::string CPUVersion() const { return cpuVersion_; }
    /// "Internet Explorer " major "." minor "." build.
    std::string IEVersion() const { return ieVersion_; }

    /// The name of a Windows version.
    static std::string NameOfVersion(std::int16_t major, std::int16_t minor);
    /// The name of a processor type.
    static std::string NameOfProcessor(std::uint32_t processorType);
    /// Bytes to KiB, rounded to the nearest whole number with halves to the even neighbour.
    static double KiB(std::uint32_t bytes);
    /// Rounds half to even, as the program's integer conversion does.
    static std::int32_t RoundHalfEven(double value);

private:
    void CollectSystemInfo();

    std::int32_t memoryTotal_ = 0;
    std::int32_t memoryFree_ = 0;
    std::int32_t virtualMemoryTotal_ = 0;
    double virtualMemoryFree_ = 0;
    std::string winVersion_;
    std::string winName_;
    std::string cpuVersion_;
    std::string ieVersion_;
};

} // namespace corvane
