"""The release of one tool of the suite: its files (build), their checks, and
what they share; scripts/dist.py is the command line."""
