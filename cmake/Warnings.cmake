# The warning set of the project's own code: warnings are errors. Included by
# the top-level project and by the fuzz project, so the two never drift apart;
# third-party targets are untouched.
set(BREVANIX_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wno-missing-field-initializers -Werror)
