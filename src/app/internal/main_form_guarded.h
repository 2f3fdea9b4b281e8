// TMainForm::Guarded, for the files that connect controls and menu entries to their handlers.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "main_form_guarded.h is private to the app library and its tests"
#endif

#include <exception>

#include "app/main_form.h"

namespace pictavia {

template <typename Fn>
void TMainForm::Guarded(Fn&& Handler) {
  try {
    Handler();
  } catch (const std::exception& e) {
    ShowException(e);
  }
}

}  // namespace pictavia
