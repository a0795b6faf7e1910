// The precompiled GoogleTest header the test programs share is made with
// this file's flags; it has no code of its own.
