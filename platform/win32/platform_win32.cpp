// Windows: the SDK provides the platform; this unit holds what little we add.
