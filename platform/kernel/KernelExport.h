// Export macro of the kernel, logger and engine stand-ins. They are linked
// whole into the repository library, whose hosts call some of them directly
// (string arrays, text conversion), so their symbols stay visible.
#ifndef VEXA_KERNEL_EXPORT_H
#define VEXA_KERNEL_EXPORT_H

#define VEXA_KERNEL_API __attribute__((visibility("default")))

#endif  // VEXA_KERNEL_EXPORT_H
