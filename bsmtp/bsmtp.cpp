// placeholder until the mail library is written
