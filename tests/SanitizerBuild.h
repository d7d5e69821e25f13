// Whether this test binary runs under a sanitizer, which slows it and owns the allocator.
#pragma once

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELTRIX_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define VELTRIX_SANITIZED 1
#endif
#endif
#ifndef VELTRIX_SANITIZED
#define VELTRIX_SANITIZED 0
#endif
