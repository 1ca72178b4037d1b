# Header only: the location stand-in has no sources.
