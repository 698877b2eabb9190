// placeholder until the library is written
