// A variant cleared with its holder, for the short-lived values of the page commands.
#pragma once

#include <oaidl.h>
#include <oleauto.h>

namespace doc {

struct VariantHolder {
    VARIANT v;
    VariantHolder() { VariantInit(&v); }
    ~VariantHolder() { VariantClear(&v); }
    VariantHolder(const VariantHolder&) = delete;
    VariantHolder& operator=(const VariantHolder&) = delete;
};

} // namespace doc
