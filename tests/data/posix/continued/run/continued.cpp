#  include \
  <dlfcn.h>
